-- Sends the text that a text_rom holds over a serial line, 8N1 at 115200 baud: each word's
-- character (its high byte, and a blank for the blank's 0000), then a carriage return and a
-- line feed; then, about a second later, all of it again, so that a terminal opened late sees
-- it. It needs no input but the board's clock, and starts by itself when the FPGA is configured.
--
-- The memory is as deep as the board allows, and the words past the listing's are 0000, as a
-- blank's is. So the design first reads the whole memory and takes the text to end at its last
-- word that is not 0000: blanks at the very end of a text are not sent, and a memory of blanks
-- alone sends an empty line. That holds whatever listing the memory was given, also one
-- swapped into a built bitstream.
library ieee;
use ieee.std_logic_1164.all;
use ieee.numeric_std.all;

entity text_uart is
  generic (
    LISTING : string := "sample.hex"; -- the listing's file, or random words to swap one in for
    DEPTH : positive := 4096;         -- the memory's words
    CLOCK_HZ : positive := 12000000;  -- the board's clock
    BAUD : positive := 115200;
    PAUSE_CYCLES : positive := CLOCK_HZ); -- between one sending and the next: about a second
  port (
    clock : in std_logic;
    tx : out std_logic); -- idles high
end entity;

architecture rtl of text_uart is
  -- Clock cycles for each bit, rounded to the nearest: within 1% of the baud rate, or the
  -- receiver would read the last bits of a character wrong.
  constant DIVISOR : positive := (CLOCK_HZ + BAUD / 2) / BAUD;

  -- The memory, read a clock after its address is set.
  signal address : natural range 0 to DEPTH := 0;
  signal word : std_logic_vector(15 downto 0);

  -- The transmitter: a frame of ten bits, the start bit first and the stop bit last, shifted
  -- out one bit every DIVISOR cycles; the line is high whenever no bit is left.
  signal frame : std_logic_vector(9 downto 0) := (others => '0');
  signal bits_left : natural range 0 to 10 := 0;
  signal bit_cycles : natural range 0 to DIVISOR - 1 := 0;
  signal idle : boolean;

  type phase is (scanning, sending, pausing);
  signal state : phase := scanning;
  signal length : natural range 0 to DEPTH := 0; -- the text's words
  -- word holds the word at address - 1 while scanning, at address while sending
  signal word_ready : boolean := false;
  signal line_end_sent : natural range 0 to 2 := 0; -- after the text: 1 the carriage return, 2 the line feed
  signal paused : natural range 0 to PAUSE_CYCLES := 0;

  signal start_frame : boolean;
  signal character : std_logic_vector(7 downto 0);
begin
  assert DIVISOR >= 2 and abs (CLOCK_HZ - DIVISOR * BAUD) * 100 < DIVISOR * BAUD
    report "a clock of " & integer'image(CLOCK_HZ) & " Hz cannot make " & integer'image(BAUD) &
           " baud within 1%"
    severity failure;

  rom : entity work.text_rom
    generic map (LISTING => LISTING, DEPTH => DEPTH)
    port map (clock => clock, address => minimum(address, DEPTH - 1), word => word);

  idle <= bits_left = 0;
  tx <= '1' when idle else frame(0);

  process (all)
  begin
    start_frame <= false;
    character <= x"00";
    if state = sending and idle then
      if address < length then
        start_frame <= word_ready;
        character <= x"20" when word = x"0000" else word(15 downto 8);
      elsif line_end_sent < 2 then
        start_frame <= true;
        character <= x"0d" when line_end_sent = 0 else x"0a";
      end if;
    end if;
  end process;

  process (clock)
  begin
    if rising_edge(clock) then
      if start_frame then
        frame <= '1' & character & '0';
        bits_left <= 10;
        bit_cycles <= 0;
      elsif not idle then
        if bit_cycles = DIVISOR - 1 then
          bit_cycles <= 0;
          frame <= '0' & frame(9 downto 1);
          bits_left <= bits_left - 1;
        else
          bit_cycles <= bit_cycles + 1;
        end if;
      end if;

      -- An if rather than a case: GHDL writes a case over the states as latches for Yosys.
      if state = scanning then
          if word_ready and word /= x"0000" then
            length <= address; -- the word at address - 1
          end if;
          if address = DEPTH then
            state <= sending;
            address <= 0;
            word_ready <= false;
          else
            address <= address + 1;
            word_ready <= true;
          end if;
      elsif state = sending then
          if address < length then
            if start_frame then
              address <= address + 1;
              word_ready <= false;
            elsif not word_ready then
              word_ready <= true; -- the memory has had a clock to read the word at address
            end if;
          elsif start_frame then
            line_end_sent <= line_end_sent + 1;
            if line_end_sent = 1 then
              state <= pausing;
              paused <= 0;
            end if;
          end if;
      else -- pausing, from the start of the line feed
          if paused = PAUSE_CYCLES then
            state <= sending;
            address <= 0;
            word_ready <= false;
            line_end_sent <= 0;
          else
            paused <= paused + 1;
          end if;
      end if;
    end if;
  end process;
end architecture;
