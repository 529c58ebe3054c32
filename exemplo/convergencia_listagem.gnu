# The listing's comparison in convergencia.txt: |Tm_an - Tm|, the mean
# temperature against the exact single-term mean 2 Ti/pi exp(-pi² alpha t/Lx²),
# as difusao_calor's listing compares them. That error adds the trapezoidal
# rule's own error, already there at t = 0, to the scheme's: its largest value
# over time (full lines) is the quadrature's, and does not measure the scheme.
# Dashed: its value at the final time. Left against dx for (a) and (b), right
# against dt for (a) and (c); unstable levels are left out, and a panel with
# no stable level says so instead of drawing an empty frame.
#
# Interactive:  gnuplot convergencia_listagem.gnu               (the window stays until it is closed)
# PNG image:    gnuplot -e "png=1" convergencia_listagem.gnu    (writes convergencia_listagem.png, no window)
set encoding utf8
if (!exists("png")) png = 0
if (png) {
    set terminal pngcairo size 1300,560 enhanced font ",11"
    set output "convergencia_listagem.png"
}

arquivo = "convergencia.txt"
stats arquivo index 0 using 1 name "TH" nooutput
stats arquivo index 0 using 2 name "NX" nooutput
stats arquivo index 0 using 3 name "NT" nooutput
stats arquivo index 0 using 4 name "FF" nooutput
caso = sprintf("θ = %g, Nx = %d, Nt = %d, F = %.3g", TH_min, NX_min, NT_min, FF_min)

# Columns: 4 dx, 5 dt, 7 stable (1/0), 14 largest over time, 15 at tf.
estavel(coluna) = column(7) == 1 ? column(coluna) : NaN
stats arquivo index 1 using 7 name "EST_A" nooutput
stats arquivo index 2 using 7 name "EST_B" nooutput
stats arquivo index 3 using 7 name "EST_C" nooutput
com_estavel_dx = EST_A_max == 1 || EST_B_max == 1
com_estavel_dt = EST_A_max == 1 || EST_C_max == 1
# A panel without a stable level: its note in an empty frame, and then the
# settings of a plotted panel back for the next one.
nota_sem_estavel(refinamentos) = "set label 1 nenhum_estavel(\"" . refinamentos . "\") at graph 0.5, 0.5 center; " . \
    "unset logscale xy; unset tics; set key off; set xrange [0:1]; set yrange [0:1]; plot 2 notitle; unset label 1; " . \
    "set logscale xy; set tics; set key on; set xrange [*:*]; set yrange [*:*]"
nenhum_estavel(refinamentos) = sprintf("Nenhum nível estável em %s:\nF passa do limite de estabilidade do θ = %g em todas as malhas,\ne um erro que cresce sem limite não mede o esquema.\nReduza F (mais passos de tempo, Nt) ou use θ ≥ 0.5.", refinamentos, TH_min)

set logscale xy
set format x "10^{%L}"
set format y "10^{%L}"
set grid
set key top left box opaque font ",10"

set multiplot layout 1,2 title "Comparação da listagem: |Tm_{an} - Tm| contra a média exata de um termo, com o erro dos trapézios (".caso.")" font ",13"

set title "erro contra o espaçamento dos nós"
set xlabel "dx [m]"
set ylabel "|Tm_{an} - Tm| [°C]"
if (com_estavel_dx) {
plot arquivo index 1 using 4:(estavel(14)) with linespoints lw 2 pt 7 lc rgb "#0060ad" title "máximo no tempo (em t = 0), (a)", \
     arquivo index 1 using 4:(estavel(15)) with linespoints lw 2 dt 2 pt 5 lc rgb "#0060ad" title "em t = tf, (a)", \
     arquivo index 2 using 4:(estavel(14)) with linespoints lw 2 pt 6 ps 1.8 lc rgb "#dd181f" title "máximo no tempo, (b) só dx / 2", \
     arquivo index 2 using 4:(estavel(15)) with linespoints lw 2 dt 2 pt 4 ps 1.8 lc rgb "#dd181f" title "em t = tf, (b)"
} else {
    eval nota_sem_estavel("(a) e (b)")
}

set title "erro contra o passo de tempo"
set xlabel "dt [s]"
set ylabel "|Tm_{an} - Tm| [°C]"
if (com_estavel_dt) {
plot arquivo index 1 using 5:(estavel(14)) with linespoints lw 2 pt 7 lc rgb "#0060ad" title "máximo no tempo (em t = 0), (a)", \
     arquivo index 1 using 5:(estavel(15)) with linespoints lw 2 dt 2 pt 5 lc rgb "#0060ad" title "em t = tf, (a)", \
     arquivo index 3 using 5:(estavel(14)) with linespoints lw 2 pt 6 ps 1.8 lc rgb "#00a050" title "máximo no tempo, (c) só dt / 2", \
     arquivo index 3 using 5:(estavel(15)) with linespoints lw 2 dt 2 pt 4 ps 1.8 lc rgb "#00a050" title "em t = tf, (c)"
} else {
    eval nota_sem_estavel("(a) e (c)")
}

unset multiplot

if (!png) pause mouse close
