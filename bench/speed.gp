# The chart of bench/run.sh: each command's speed, in MB of source per second, writing to
# /dev/null, on the prose and on the capitals, hexwords through the listing path it took.
# Run: gnuplot -e "speeds='DATA'; chart='SVG'; megabytes=MB; path='PATH'" speed.gp
#   DATA holds a line for each command: its name, MB/s on the prose, MB/s on the capitals.
set terminal svg size 760,420 font "sans,13" background rgb "white"
set output chart
set title sprintf("Converting %d MB of text, output to /dev/null (higher is faster)\nhexwords through its %s path", megabytes, path)
set ylabel "MB of source per second"
set logscale y
set yrange [5:50000]
set grid ytics
set style data histograms
set style histogram clustered gap 1
set style fill solid 0.85 border -1
set boxwidth 0.9
set key top left horizontal
set xtics nomirror
plot speeds using 2:xtic(1) title "mixed-case prose" lc rgb "#1f6feb", \
     '' using 3 title "capitals" lc rgb "#f29e4c"
