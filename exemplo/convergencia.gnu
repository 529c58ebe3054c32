# Convergência: the scheme's errors that estudo_convergencia wrote in
# convergencia.txt, on logarithmic axes. Left: against dx, when dx and dt are
# halved together (a) and when dx alone is (b). Right: against dt, for (a) and
# for dt alone (c). Full lines: the largest nodal error of the whole field at
# the final time; dashed: the largest error over time of the mean temperature
# against the trapezoidal mean of the exact field on the same nodes. Levels
# outside the stability bound are left out. The grey lines are the slopes of
# first and second order. (convergencia_listagem.gnu draws the listing's
# comparison, against the single-term exact mean.)
#
# Interactive:  gnuplot convergencia.gnu               (the window stays until it is closed)
# PNG image:    gnuplot -e "png=1" convergencia.gnu    (writes convergencia.png, no window)
set encoding utf8
if (!exists("png")) png = 0
if (png) {
    set terminal pngcairo size 1300,560 enhanced font ",11"
    set output "convergencia.png"
}

arquivo = "convergencia.txt"
# Index 0 is the input case: theta, Nx, Nt, F.
stats arquivo index 0 using 1 name "TH" nooutput
stats arquivo index 0 using 2 name "NX" nooutput
stats arquivo index 0 using 3 name "NT" nooutput
stats arquivo index 0 using 4 name "FF" nooutput
caso = sprintf("θ = %g, Nx = %d, Nt = %d, F = %.3g", TH_min, NX_min, NT_min, FF_min)

# Columns: 4 dx, 5 dt, 7 stable (1/0), 8 field at tf, 10 mean over time.
estavel(coluna) = column(7) == 1 ? column(coluna) : NaN

# The slopes start a little below the coarsest stable level of (a), so that
# they stay visible next to the data they are compared with; without a stable
# level there is nothing to compare and they are left out.
stats arquivo index 1 using 7 name "ESTAVEIS" nooutput
if (ESTAVEIS_sum > 0) {
    stats arquivo index 1 using (estavel(4)) name "DX0" nooutput
    stats arquivo index 1 using (estavel(5)) name "DT0" nooutput
    stats arquivo index 1 using (estavel(8)) name "E0" nooutput
    dx0 = DX0_max
    dt0 = DT0_max
    e0 = 0.4 * E0_max
} else {
    dx0 = dt0 = 1
    e0 = NaN
}
ordem2_dx(x) = e0 * (x / dx0)**2
ordem1_dt(x) = e0 * (x / dt0)
ordem2_dt(x) = e0 * (x / dt0)**2

set logscale xy
set format x "10^{%L}"
set format y "10^{%L}"
set grid
set key bottom right box opaque font ",10"

set multiplot layout 1,2 title "Convergência do esquema: erros contra o campo exato nos mesmos nós (".caso.")" font ",14"

# A panel whose levels are all unstable has nothing to draw: it gets fixed
# ranges and says so.
vazio = "nenhum nível estável: (1 - 2 θ) F > 1/2 em todos"
stats arquivo index 2 using 7 name "ESTAVEIS_B" nooutput
stats arquivo index 3 using 7 name "ESTAVEIS_C" nooutput

set title "erro contra o espaçamento dos nós"
set xlabel "dx [m]"
if (ESTAVEIS_sum + ESTAVEIS_B_sum == 0) {
    stats arquivo index 1:2 using 4 name "DX" nooutput
    set xrange [DX_min / 2 : DX_max * 2]
    set yrange [1e-3 : 1]
    set label 1 vazio at graph 0.5, 0.5 center
}
set ylabel "erro [°C]"
plot arquivo index 1 using 4:(estavel(8)) with linespoints lw 2 pt 7 lc rgb "#0060ad" title "campo em tf, (a) dx e dt / 2", \
     arquivo index 1 using 4:(estavel(10)) with linespoints lw 2 dt 2 pt 5 lc rgb "#0060ad" title "média, (a)", \
     arquivo index 2 using 4:(estavel(8)) with linespoints lw 2 pt 6 ps 1.8 lc rgb "#dd181f" title "campo em tf, (b) só dx / 2", \
     arquivo index 2 using 4:(estavel(10)) with linespoints lw 2 dt 2 pt 4 ps 1.8 lc rgb "#dd181f" title "média, (b)", \
     ordem2_dx(x) with lines dt 3 lw 1 lc rgb "gray40" title "ordem 2 (∝ dx²)"

set title "erro contra o passo de tempo"
set xlabel "dt [s]"
unset label 1
set autoscale
if (ESTAVEIS_sum + ESTAVEIS_C_sum == 0) {
    stats arquivo index 1 using 5 name "DT" nooutput
    stats arquivo index 3 using 5 name "DTC" nooutput
    set xrange [DTC_min / 2 : DT_max * 2]
    set yrange [1e-3 : 1]
    set label 1 vazio at graph 0.5, 0.5 center
}
plot arquivo index 1 using 5:(estavel(8)) with linespoints lw 2 pt 7 lc rgb "#0060ad" title "campo em tf, (a) dx e dt / 2", \
     arquivo index 1 using 5:(estavel(10)) with linespoints lw 2 dt 2 pt 5 lc rgb "#0060ad" title "média, (a)", \
     arquivo index 3 using 5:(estavel(8)) with linespoints lw 2 pt 6 ps 1.8 lc rgb "#00a050" title "campo em tf, (c) só dt / 2", \
     arquivo index 3 using 5:(estavel(10)) with linespoints lw 2 dt 2 pt 4 ps 1.8 lc rgb "#00a050" title "média, (c)", \
     ordem1_dt(x) with lines dt 4 lw 1 lc rgb "gray60" title "ordem 1 (∝ dt)", \
     ordem2_dt(x) with lines dt 3 lw 1 lc rgb "gray40" title "ordem 2 (∝ dt²)"

unset multiplot

if (!png) pause mouse close
