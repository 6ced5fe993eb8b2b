// A read-only memory of 16-bit words that holds a hexwords listing: filled from the listing's
// file when the design is elaborated or synthesized, it gives one word per address, read on the
// clock's rising edge, as FPGA block memories read.
module text_rom #(
    parameter LISTING = "sample.hex", // the listing's file
    parameter DEPTH = 94,             // its words: wc -w sample.hex
    parameter ADDRESS_BITS = DEPTH > 1 ? $clog2(DEPTH) : 1
) (
    input wire clock,
    input wire [ADDRESS_BITS - 1:0] address,
    output reg [15:0] word
);
  reg [15:0] memory[0:DEPTH - 1];
  initial $readmemh(LISTING, memory);
  always @(posedge clock) word <= memory[address];
endmodule
