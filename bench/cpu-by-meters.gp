# CPU share of one core against the meters open (scripts/bench.sh passes datafile and outfile).
set terminal pngcairo size 800,500 font "Liberation Sans,11"
set output outfile
set title "Korvalin Manager on the desktop host: CPU share against open meters"
set xlabel "meters open (4 cards)"
set ylabel "CPU share of one core (%)"
set xrange [-2:50]
set yrange [0:*]
set grid
set key top left
plot datafile using 1:2 with linespoints lw 2 pt 7 title "every meter moving", \
     datafile using 1:3 with lines dt 2 title "linear fit"
