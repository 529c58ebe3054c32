# Perfis: the temperature profiles T(x) that "estudo_convergencia --perfis"
# wrote in perfis.txt (index 1 onwards, one block per time; columns 1 x,
# 2 T, 3 exact T, 4 exact minus numerical, 5 t): the numerical values as
# points over the exact field as lines, and below them the error at each node.
#
# Interactive:  gnuplot perfis.gnu               (the window stays until it is closed)
# PNG image:    gnuplot -e "png=1" perfis.gnu    (writes perfis.png, no window)
set encoding utf8
if (!exists("png")) png = 0
if (png) {
    set terminal pngcairo size 1100,800 enhanced font ",11"
    set output "perfis.png"
}

arquivo = "perfis.txt"
stats arquivo index 0 using 1 name "TH" nooutput
stats arquivo index 0 using 2 name "NX" nooutput
stats arquivo index 0 using 3 name "NT" nooutput
stats arquivo index 0 using 4 name "FF" nooutput
caso = sprintf("θ = %g, Nx = %d, Nt = %d, F = %.3g", TH_min, NX_min, NT_min, FF_min)
stats arquivo nooutput
blocos = STATS_blocks - 1

cores = "#dd181f #0060ad #00a050 #9400d3 #ff8c00 #8b4513 #2f4f4f #e75480"
cor(b) = word(cores, (b - 1) % 8 + 1)
finito(v) = abs(v) < 1e300 ? v : NaN
array tempo[blocos]
do for [b = 1:blocos] {
    stats arquivo index b using 5 name "T" nooutput
    tempo[b] = T_min
}

set multiplot title "Perfis de temperatura contra o campo exato (".caso.")" font ",14"
set grid
set key outside right top box opaque font ",10"
set lmargin 12
set rmargin 26

set origin 0, 0.36
set size 1, 0.59
set xlabel ""
set ylabel "T [°C]"
plot for [b = 1:blocos] arquivo index b using 1:3 with lines lw 2 lc rgb cor(b) notitle, \
     for [b = 1:blocos] arquivo index b using 1:(finito(column(2))) with points pt 7 ps 0.8 lc rgb cor(b) title sprintf("t = %g s", tempo[b]), \
     NaN with lines lw 2 lc rgb "black" title "linhas: campo exato", \
     NaN with points pt 7 ps 0.8 lc rgb "black" title "pontos: numérico"

set origin 0, 0
set size 1, 0.38
set xlabel "x [m]"
set ylabel "T_{exata} - T [°C]"
plot for [b = 1:blocos] arquivo index b using 1:(finito(column(4))) with linespoints lw 2 pt 7 ps 0.6 lc rgb cor(b) title sprintf("t = %g s", tempo[b])

unset multiplot

if (!png) pause mouse close
