// Receives what text_uart sends, as the computer's serial port would: 8N1 at BAUD, each bit
// sampled in its middle at exactly that rate, from the design's clock at CLOCK_HZ. Prints the
// characters received, and ends after LINES line feeds. Fails on a frame whose stop bit is
// low, when the bits come more than 1% off the baud rate, and when the line stays silent for
// longer than the design takes to read its memory and send a character (and, after a line,
// its pause).
// With NETLIST defined, text_uart is a netlist without parameters (the bitstream's, as
// icebox_vlog or ghdl --synth writes it).
`timescale 1ns / 1ps
module serial_tb;
  parameter CLOCK_HZ = 12000000;
  parameter BAUD = 115200;
  parameter LINES = 1;
  parameter LISTING = "sample.hex";
  parameter DEPTH = 4096;
  parameter PAUSE_CYCLES = CLOCK_HZ;

  localparam real CLOCK_NS = 1.0e9 / CLOCK_HZ;
  localparam real BIT_NS = 1.0e9 / BAUD;

  reg clock = 0;
  always #(CLOCK_NS / 2) clock = !clock;
  wire tx;
`ifdef NETLIST
  text_uart sender (.clock(clock), .tx(tx));
`else
  text_uart #(.LISTING(LISTING), .DEPTH(DEPTH), .CLOCK_HZ(CLOCK_HZ), .BAUD(BAUD),
              .PAUSE_CYCLES(PAUSE_CYCLES)) sender (.clock(clock), .tx(tx));
`endif

  localparam real SILENCE_NS = (2.0 * DEPTH + 100) * CLOCK_NS + 12 * BIT_NS;
  integer lines = 0, characters = 0, first_line = 0, bit_index;
  real first_start = 0, last_start = 0, bit_time, deadline = SILENCE_NS;
  reg [7:0] received;
  initial begin
    // Once the design is configured, its line stays high until the first start bit.
    #(2 * CLOCK_NS);
    while (lines < LINES) begin
      @(negedge tx);
      last_start = $realtime;
      if (characters == 0) first_start = last_start;
      if (lines == 0) begin
        first_line = characters + 1;
        bit_time = (last_start - first_start) / (first_line - 1 + (first_line == 1)) / 10.0;
      end
      #(BIT_NS * 1.5);
      for (bit_index = 0; bit_index < 8; bit_index = bit_index + 1) begin
        received[bit_index] = tx;
        #(BIT_NS);
      end
      if (tx !== 1'b1) begin
        $display("\nFAIL: no stop bit after character %0d", characters);
        $finish;
      end
      $write("%c", received);
      characters = characters + 1;
      deadline = $realtime + SILENCE_NS;
      if (received == 8'h0a) begin
        lines = lines + 1;
        deadline = deadline + PAUSE_CYCLES * CLOCK_NS;
      end
    end
    // Within a line, frames follow one another with the stop bit and a clock between them.
    if (first_line > 1 && (bit_time > BIT_NS * 1.01 + CLOCK_NS / 10 || bit_time < BIT_NS * 0.99)) begin
      $display("FAIL: a bit took %0.1f ns, not %0.1f", bit_time, BIT_NS);
    end
    $finish;
  end

  always #(BIT_NS) begin
    if ($realtime > deadline) begin
      $display("\nFAIL: %0d characters received, then nothing", characters);
      $finish;
    end
  end
endmodule
