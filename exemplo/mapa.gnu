# Mapa de precisão e estabilidade: what "estudo_convergencia --mapa" wrote in
# mapa.txt, the error of the whole field at the final time against the mesh
# Fourier number F (dx fixed, F set through the number of steps), one curve
# per theta (index 1 onwards; columns 1 F, 2 Nt, 4 stable on this grid 1/0,
# 5 error, 7 theta, 9 bound of F on this grid). Points outside the stability
# bound are crosses, drawn at most at the top of the frame; the dashed
# vertical lines are this grid's bounds of the theta below 1/2, the F at which
# the grid's highest mode reaches the factor -1 (a little above the bound
# 1/(2(1 - 2 theta)) of a refined grid), so that crosses and lines agree. The F axis spans the
# points as run: the largest F is the one of a single step (Nt = 1). A note
# under the frame says what the sharp dips of a curve are.
#
# Interactive:  gnuplot mapa.gnu               (the window stays until it is closed)
# PNG image:    gnuplot -e "png=1" mapa.gnu    (writes mapa.png, no window)
set encoding utf8
if (!exists("png")) png = 0
if (png) {
    set terminal pngcairo size 1000,650 enhanced font ",11"
    set output "mapa.png"
}

arquivo = "mapa.txt"
stats arquivo index 0 using 2 name "NX" nooutput
stats arquivo index 0 using 3 name "NT" nooutput
stats arquivo index 0 using 4 name "FF" nooutput
stats arquivo nooutput
blocos = STATS_blocks - 1

# The frame spans the stable errors; an unstable one above it sits on its top.
finito(v) = abs(v) < 1e300 ? v : NaN
stats arquivo index 1:blocos using (column(4) == 1 ? finito(column(5)) : NaN) name "ESTAVEL" nooutput
stats arquivo index 1:blocos using (finito(column(5))) name "TODOS" nooutput
stats arquivo index 1:blocos using 1 name "FMAPA" nooutput
stats arquivo index 1:blocos using 2 name "NTMAPA" nooutput
topo = (exists("ESTAVEL_max") && ESTAVEL_records > 0 ? ESTAVEL_max : TODOS_max) * 10
base = (exists("ESTAVEL_min") && ESTAVEL_records > 0 ? ESTAVEL_min : TODOS_min) / 3
instavel(v) = finito(v) < topo ? v : topo

cores = "#dd181f #0060ad #00a050 #9400d3 #ff8c00 #8b4513 #2f4f4f #e75480"
cor(b) = word(cores, (b - 1) % 8 + 1)

array theta[blocos]
do for [b = 1:blocos] {
    stats arquivo index b using 7 name "TH" nooutput
    theta[b] = TH_min
    stats arquivo index b using 9 name "LIM" nooutput
    if (LIM_min < 1e300) {
        set arrow b from LIM_min, graph 0 to LIM_min, graph 1 nohead dt 2 lw 1.5 lc rgb cor(b)
    }
}

set logscale xy
set xrange [FMAPA_min / 1.5 : FMAPA_max * 1.5]
set format x "10^{%L}"
set format y "10^{%L}"
set yrange [base : topo * 1.5]
set grid
set key top left box opaque font ",10"
set xlabel "F = α dt/dx²"
set ylabel "erro máximo nó a nó em t = tf [°C]"
thetas = ""
do for [b = 1:blocos] { thetas = thetas . (b > 1 ? ", " : "") . sprintf("%g", theta[b]) }
faixa = sprintf("F de %.3g a %.3g", FMAPA_min, FMAPA_max) . \
    (NTMAPA_min == 1 ? sprintf(" (em F = %.3g um só passo, Nt = 1: não há F maior com este dx)", FMAPA_max) : "")
set title sprintf("Mapa de precisão e estabilidade: θ = %s; Nx = %d, dx fixo, dt (Nt) escolhido para cada F\n%s\n(na entrada: Nt = %d, F = %.3g; cruzes: fora do limite de estabilidade)", thetas, NX_min, faixa, NT_min, FF_min) font ",13"
set bmargin 7
set label 1 "Uma queda brusca de uma curva é um cancelamento, não um ótimo: nesse F o erro do tempo e o do espaço,\n" . \
    "de sinais opostos, se anulam em t = tf; num F vizinho, em outro tf ou em outra malha o erro volta." \
    at screen 0.5, 0.04 center font ",10"

plot for [b = 1:blocos] arquivo index b using 1:(column(4) == 1 ? column(5) : NaN) with linespoints lw 2 pt 7 lc rgb cor(b) title sprintf("θ = %g", theta[b]), \
     for [b = 1:blocos] arquivo index b using 1:(column(4) == 0 ? instavel(column(5)) : NaN) with points pt 2 ps 1.6 lw 2 lc rgb cor(b) notitle

if (!png) pause mouse close
