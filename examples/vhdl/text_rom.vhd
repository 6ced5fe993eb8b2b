-- A read-only memory of 16-bit words that holds a hexwords listing: filled from the listing's
-- file when the design is elaborated, it gives one word per address, read on the clock's rising
-- edge, as FPGA block memories read.
library ieee;
use ieee.std_logic_1164.all;
use std.textio.all;

entity text_rom is
  generic (
    LISTING : string := "sample.hex"; -- the listing's file
    DEPTH : positive := 94);          -- its words: wc -w sample.hex
  port (
    clock : in std_logic;
    address : in natural range 0 to DEPTH - 1;
    word : out std_logic_vector(15 downto 0));
end entity;

architecture rtl of text_rom is
  -- Descending, as GHDL keeps a memory: one of ascending range it stores last word first, which
  -- icebram, matching a design's words in its block memories, would not find.
  type rom_words is array (DEPTH - 1 downto 0) of std_logic_vector(15 downto 0);

  -- The words of a hexwords listing, in order. The listing must hold exactly as many words as
  -- the memory: elaboration stops, naming both counts, when it does not.
  impure function read_listing(name : string) return rom_words is
    file hex_file : text open read_mode is name;
    variable hex_line : line;
    variable hex_word : std_logic_vector(15 downto 0);
    variable read_ok : boolean;
    variable contents : rom_words;
    variable word_count : natural := 0;
  begin
    while not endfile(hex_file) loop
      readline(hex_file, hex_line);
      loop
        -- Into a variable, not into contents(word_count): each line's last read finds no word,
        -- and its target would be one past the end of a memory already full.
        hread(hex_line, hex_word, read_ok);
        exit when not read_ok;
        if word_count < contents'length then
          contents(word_count) := hex_word;
        end if;
        word_count := word_count + 1;
      end loop;
    end loop;
    assert word_count = contents'length
      report name & " holds " & integer'image(word_count) & " words, the memory " &
             integer'image(contents'length)
      severity failure;
    return contents;
  end function;

  constant memory : rom_words := read_listing(LISTING);
begin
  process (clock)
  begin
    if rising_edge(clock) then
      word <= memory(address);
    end if;
  end process;
end architecture;
