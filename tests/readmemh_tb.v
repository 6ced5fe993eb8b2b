// Loads a listing into a memory of 16-bit words and prints every word, one per line.
module readmemh_tb;
  parameter WORDS = 1;
  reg [15:0] memory [0:WORDS-1];
  integer index;
  initial begin
    $readmemh("notes.hex", memory);
    for (index = 0; index < WORDS; index = index + 1)
      $display("%h", memory[index]);
`ifdef VERILATOR
    // A simulation built by Verilator runs until $finish; Icarus stops when nothing is left
    // to do, and would report the call.
    $finish;
`endif
  end
endmodule
