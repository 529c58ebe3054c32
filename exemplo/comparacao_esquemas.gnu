# Comparação dos esquemas: the mean temperature histories that
# "estudo_convergencia --comparar" wrote in comparacao_esquemas.txt (index 1,
# columns: time, exact single-term mean, trapezoidal mean of the exact field
# on the nodes, then theta = 0, 0.5 and 1) over the exact curve, and below them
# the schemes' errors against the trapezoidal mean of the exact field, which
# on the scale of the temperatures would not show. (The listing compares with
# the single-term mean instead, which adds the trapezoidal rule's own error,
# the same for every scheme: convergencia_listagem.gnu draws that one.) A
# history that left the stable range leaves the frame instead of flattening
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
# Index 0 is the input case: theta, Nx, Nt, F (F does not depend on theta).
stats arquivo index 0 using 2 name "NX" nooutput
stats arquivo index 0 using 3 name "NT" nooutput
stats arquivo index 0 using 4 name "FF" nooutput
malha = sprintf("θ = 0, 0.5 e 1; Nx = %d, Nt = %d, F = %.3g", NX_min, NT_min, FF_min)

esquema(c) = c == 4 ? "explícito (θ = 0)" : (c == 5 ? "Crank-Nicolson (θ = 0.5)" : "implícito (θ = 1)")
cor(c) = c == 4 ? "#dd181f" : (c == 5 ? "#0060ad" : "#00a050")
# The error of column c, or 0 where the history is no longer finite (stats
# would stop on a column with nothing valid).
erro(c) = abs(column(3) - column(c)) < 1e300 ? column(3) - column(c) : 0

stats arquivo index 1 using 2 name "EXATA" nooutput
faixa = EXATA_max - EXATA_min

# The error axis spans the histories whose errors stay below the range of the
# exact curve itself; a diverged one would squeeze the others to a line.
baixo = 0
alto = 0
do for [c = 4:6] {
    stats arquivo index 1 using (erro(c)) name "ERRO" nooutput
    maior = abs(ERRO_min) > abs(ERRO_max) ? abs(ERRO_min) : abs(ERRO_max)
    if (faixa == 0 || maior <= faixa) {
        baixo = ERRO_min < baixo ? ERRO_min : baixo
        alto = ERRO_max > alto ? ERRO_max : alto
    }
}

set multiplot title "Temperatura média da placa: esquemas θ e solução exata (".malha.")" font ",14"
set grid
set key top right box opaque font ",10"
set format x "%g"
set format y "%g"
set lmargin 12

set origin 0, 0.36
set size 1, 0.59
if (faixa > 0) { set yrange [EXATA_min - 0.08 * faixa : EXATA_max + 0.08 * faixa] }
set xlabel ""
set ylabel "temperatura média [°C]"
plot arquivo index 1 using 1:2 with lines lw 4 lc rgb "gray70" title "solução analítica", \
     for [c = 4:6] arquivo index 1 using 1:c with lines lw 2 dt c - 3 lc rgb cor(c) title esquema(c)

set origin 0, 0
set size 1, 0.38
if (alto > baixo) { set yrange [baixo - 0.05 * (alto - baixo) : alto + 0.05 * (alto - baixo)] } else { set autoscale y }
set xlabel "tempo [s]"
set ylabel "erro do esquema [°C]\n(média dos trapézios do exato - Tm)"
set key top right
plot for [c = 4:6] arquivo index 1 using 1:(erro(c)) with lines lw 2 dt c - 3 lc rgb cor(c) title esquema(c)

unset multiplot

if (!png) pause mouse close
