// Reads every word of a text_rom back, one a clock, and prints the text that the memory holds:
// a word's high byte is its character's code, and the blank's word, 0000, prints as a blank.
module text_rom_tb;
  parameter LISTING = "sample.hex";
  parameter DEPTH = 94;
  localparam ADDRESS_BITS = DEPTH > 1 ? $clog2(DEPTH) : 1;

  reg clock = 0;
  reg [ADDRESS_BITS - 1:0] address = 0;
  wire [15:0] word;
  integer index;

  text_rom #(.LISTING(LISTING), .DEPTH(DEPTH)) rom (.clock(clock), .address(address), .word(word));

  initial begin
    for (index = 0; index < DEPTH; index = index + 1) begin
      address = index[ADDRESS_BITS - 1:0];
      #1 clock = 1;
      #1 clock = 0;
      $write("%c", word == 16'h0000 ? 8'h20 : word[15:8]);
    end
    $write("\n");
    $finish;
  end
endmodule
