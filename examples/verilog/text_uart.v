// Sends the text that a text_rom holds over a serial line, 8N1 at 115200 baud: each word's
// character (its high byte, and a blank for the blank's 0000), then a carriage return and a
// line feed; then, about a second later, all of it again, so that a terminal opened late sees
// it. It needs no input but the board's clock, and starts by itself when the FPGA is configured.
//
// The memory is as deep as the board allows, and the words past the listing's are 0000, as a
// blank's is. So the design first reads the whole memory and takes the text to end at its last
// word that is not 0000: blanks at the very end of a text are not sent, and a memory of blanks
// alone sends an empty line. That holds whatever listing the memory was given, also one
// swapped into a built bitstream.
module text_uart #(
    parameter LISTING = "sample.hex", // the listing's file, or random words to swap one in for
    parameter DEPTH = 4096,           // the memory's words
    parameter CLOCK_HZ = 12000000,    // the board's clock
    parameter BAUD = 115200,
    parameter PAUSE_CYCLES = CLOCK_HZ // between one sending and the next: about a second
) (
    input wire clock,
    output wire tx // idles high
);
  localparam ADDRESS_BITS = DEPTH > 1 ? $clog2(DEPTH) : 1;
  localparam COUNT_BITS = ADDRESS_BITS + 1; // up to DEPTH itself
  // Clock cycles for each bit, rounded to the nearest: within 1% of the baud rate, or the
  // receiver would read the last bits of a character wrong.
  localparam DIVISOR = (CLOCK_HZ + BAUD / 2) / BAUD;
  localparam RATE_ERROR = CLOCK_HZ > DIVISOR * BAUD ? CLOCK_HZ - DIVISOR * BAUD
                                                    : DIVISOR * BAUD - CLOCK_HZ;
  generate
    if (DIVISOR < 2 || RATE_ERROR * 100 >= DIVISOR * BAUD) begin : baud_rate_more_than_1_percent_off
      this_clock_cannot_make_the_baud_rate_within_1_percent error();
    end
  endgenerate

  // The memory, read a clock after its address is set.
  reg [COUNT_BITS - 1:0] address = 0;
  wire [15:0] word;
  text_rom #(.LISTING(LISTING), .DEPTH(DEPTH)) rom (
      .clock(clock), .address(address[ADDRESS_BITS - 1:0]), .word(word));

  // The transmitter: a frame of ten bits, the start bit first and the stop bit last, shifted
  // out one bit every DIVISOR cycles; the line is high whenever no bit is left.
  reg [9:0] frame = 0;
  reg [3:0] bits_left = 0;
  reg [$clog2(DIVISOR) - 1:0] bit_cycles = 0;
  wire idle = bits_left == 0;
  assign tx = idle | frame[0];

  localparam SCANNING = 2'd0, SENDING = 2'd1, PAUSING = 2'd2;
  reg [1:0] state = SCANNING;
  reg [COUNT_BITS - 1:0] length = 0;  // the text's words
  reg word_ready = 0;                 // word holds the word at address - 1 while scanning,
                                      // at address while sending
  reg [1:0] line_end_sent = 0;        // after the text: 1 the carriage return, 2 the line feed
  reg [$clog2(PAUSE_CYCLES + 1) - 1:0] paused = 0;

  reg start_frame;
  reg [7:0] character;
  always @(*) begin
    start_frame = 0;
    character = 8'h00;
    if (state == SENDING && idle) begin
      if (address < length) begin
        start_frame = word_ready;
        character = word == 16'h0000 ? " " : word[15:8];
      end else if (line_end_sent < 2) begin
        start_frame = 1;
        character = line_end_sent == 0 ? 8'h0d : 8'h0a;
      end
    end
  end

  always @(posedge clock) begin
    if (start_frame) begin
      frame <= {1'b1, character, 1'b0};
      bits_left <= 10;
      bit_cycles <= 0;
    end else if (!idle) begin
      if (bit_cycles == DIVISOR - 1) begin
        bit_cycles <= 0;
        frame <= frame >> 1;
        bits_left <= bits_left - 1;
      end else begin
        bit_cycles <= bit_cycles + 1;
      end
    end

    case (state)
      SCANNING: begin
        if (word_ready && word != 16'h0000) length <= address; // the word at address - 1
        if (address == DEPTH) begin
          state <= SENDING;
          address <= 0;
          word_ready <= 0;
        end else begin
          address <= address + 1;
          word_ready <= 1;
        end
      end
      SENDING: begin
        if (address < length) begin
          if (start_frame) begin
            address <= address + 1;
            word_ready <= 0;
          end else if (!word_ready) begin
            word_ready <= 1; // the memory has had a clock to read the word at address
          end
        end else if (start_frame) begin
          line_end_sent <= line_end_sent + 1;
          if (line_end_sent == 1) begin
            state <= PAUSING;
            paused <= 0;
          end
        end
      end
      default: begin // PAUSING, from the start of the line feed
        if (paused == PAUSE_CYCLES) begin
          state <= SENDING;
          address <= 0;
          word_ready <= 0;
          line_end_sent <= 0;
        end else begin
          paused <= paused + 1;
        end
      end
    endcase
  end
endmodule
