# Comparação dos esquemas: the mean temperature histories that
# "estudo_convergencia --comparar" wrote in comparacao_esquemas.txt (columns:
# time, exact mean, then theta = 0, 0.5 and 1) over the exact curve, and below
# them their errors, which on the scale of the temperatures would not show.
# A history that left the stable range leaves the frame instead of flattening
# the others.
#
# Interactive:  gnuplot comparacao_esquemas.gnu              (the window stays until it is closed)
# PNG image:    gnuplot -e "png=1" comparacao_esquemas.gnu   (writes comparacao_esquemas.png, no window)
set encoding utf8
if (!exists("png")) png = 0
if (png) {
    set terminal pngcairo size 1100,800 enhanced font ",11"
    set output "comparacao_esquemas.png"
}

arquivo = "comparacao_esquemas.txt"
esquema(c) = c == 3 ? "explícito (theta = 0)" : (c == 4 ? "Crank-Nicolson (theta = 0.5)" : "implícito (theta = 1)")
cor(c) = c == 3 ? "#dd181f" : (c == 4 ? "#0060ad" : "#00a050")
# The error of column c, or 0 where the history is no longer finite (stats
# would stop on a column with nothing valid).
erro(c) = abs(column(2) - column(c)) < 1e300 ? column(2) - column(c) : 0

stats arquivo using 2 name "EXATA" nooutput
faixa = EXATA_max - EXATA_min

# The error axis spans the histories whose errors stay below the range of the
# exact curve itself; a diverged one would squeeze the others to a line.
baixo = 0
alto = 0
do for [c = 3:5] {
    stats arquivo using (erro(c)) name "ERRO" nooutput
    maior = abs(ERRO_min) > abs(ERRO_max) ? abs(ERRO_min) : abs(ERRO_max)
    if (faixa == 0 || maior <= faixa) {
        baixo = ERRO_min < baixo ? ERRO_min : baixo
        alto = ERRO_max > alto ? ERRO_max : alto
    }
}

set multiplot title "Temperatura média da placa: esquemas theta e solução exata" font ",14"
set grid
set key top right box opaque font ",10"
set format x "%g"
set format y "%g"
set lmargin 12

set origin 0, 0.36
set size 1, 0.59
if (faixa > 0) { set yrange [EXATA_min - 0.08 * faixa : EXATA_max + 0.08 * faixa] }
set xlabel ""
set ylabel "temperatura média [ºC]"
plot arquivo using 1:2 with lines lw 4 lc rgb "gray70" title "solução analítica", \
     for [c = 3:5] arquivo using 1:c with lines lw 2 dt c - 2 lc rgb cor(c) title esquema(c)

set origin 0, 0
set size 1, 0.38
if (alto > baixo) { set yrange [baixo - 0.05 * (alto - baixo) : alto + 0.05 * (alto - baixo)] } else { set autoscale y }
set xlabel "tempo [s]"
set ylabel "Tm analítica - Tm [ºC]"
set key top right
plot for [c = 3:5] arquivo using 1:(erro(c)) with lines lw 2 dt c - 2 lc rgb cor(c) title esquema(c)

unset multiplot

if (!png) pause mouse close
