# Report plots. Called by scripts/report with
#   gnuplot -e "datadir='DIR'; outdir='DIR'" tools/render/report.gp
# Reads tone.dat, transfer.dat and spectrum.dat (written by ravlin-plotdata) from datadir.
set terminal pngcairo size 1000,620 enhanced font ",11" noenhanced
set grid
set key outside right top
set datafile separator "\t"


set output outdir."/tone-stack-response.png"
set title "Tone stack (block 4, V3 plate to Treble wiper): small-signal response at 48 kHz"
set logscale x
set xrange [20:20000]
set xlabel "frequency (Hz)"
set ylabel "gain (dB)"
plot for [c=2:9] datadir."/tone.dat" using 1:c with lines lw 2 title columnheader(c)

set output outdir."/transfer-curve.png"
set title "Input to output level, 1 kHz sine, default Input/Output, tone centred (Newton-solved circuit)"
unset logscale x
set xrange [*:*]
set xlabel "input peak (dBFS)"
set ylabel "output peak (dBFS)"
set key inside left top
plot for [c=2:4] datadir."/transfer.dat" using 1:c with linespoints lw 2 pt 7 ps 0.6 title columnheader(c)

set output outdir."/demo-spectrum.png"
set title "Spectrum of the demo output (Hann 8192, Welch average)"
set logscale x
set xrange [20:24000]
set yrange [-140:0]
set xlabel "frequency (Hz)"
set ylabel "level (dB re full-scale sine)"
set key inside right top
plot datadir."/spectrum-input.dat" using 1:2 with lines lw 1 lc rgb "#aaaaaa" title "demo input (DI riff)", \
     datadir."/spectrum.dat" using 1:2 with lines lw 1 lc rgb "#c03030" title "demo output, channel 1"
