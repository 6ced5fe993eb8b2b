-- Reads every word of a text_rom back, one a clock, and prints the text that the memory holds:
-- a word's high byte is its character's code, and the blank's word, 0000, prints as a blank.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;
use std.textio.all;

entity text_rom_tb is
  generic (
    LISTING : string := "sample.hex";
    DEPTH : positive := 94);
end entity;

architecture test of text_rom_tb is
  signal clock : std_logic := '0';
  signal address : natural range 0 to DEPTH - 1 := 0;
  signal word : std_logic_vector(15 downto 0);
begin
  rom : entity work.text_rom
    generic map (LISTING => LISTING, DEPTH => DEPTH)
    port map (clock => clock, address => address, word => word);

  process
    variable text : line;
    variable code : natural;
  begin
    for index in 0 to DEPTH - 1 loop
      address <= index;
      wait for 1 ns;
      clock <= '1';
      wait for 1 ns;
      clock <= '0';
      code := to_integer(unsigned(word(15 downto 8)));
      if code = 0 then
        code := character'pos(' ');
      end if;
      write(text, character'val(code));
    end loop;
    writeline(output, text);
    wait;
  end process;
end architecture;
