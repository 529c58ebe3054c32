# Temperatura no meio do domínio: the numerical history of the middle node
# that difusao_calor wrote in temp_meio.txt (columns: time, numerical, exact)
# against the exact solution, and under it their difference, the listing's
# "Erro numérico".
# The title names the case: theta, Nx and the properties from
# entradas_geral.ent, Nt and tf from the data file itself. Its stability
# verdict is the study tool's when the launcher hands it over
# (-e "veredito = ...", from estudo_convergencia --explicar --titulo), so
# that it is the same verdict, computed the same way, as the study's;
# without it the script works out its own.
#
# Interactive:  gnuplot temp_meio.gnu               (the window stays until it is closed)
# PNG image:    gnuplot -e "png=1" temp_meio.gnu    (writes temp_meio.png, no window)
#
# temp_media.gnu is this script with the lines up to `com_trapezios` changed: keep
# the rest of the two the same.
set encoding utf8
if (!exists("png")) png = 0
if (png) {
    set terminal pngcairo size 1100,820 enhanced font ",11"
    set output "temp_meio.png"
}
arquivo = "temp_meio.txt"
historia_do_meio = 1
grandeza = "Temperatura no meio do domínio"
rotulo_y = "temperatura no nó do meio [°C]"
rotulo_numerica = "numérica: nó do meio, (Nx + 1)/2"
rotulo_exata = "exata: solução de um termo no mesmo nó"
com_trapezios = 0

# The program writes exponents beyond two digits without the letter E
# (1.000000000000000+100) and non-finite values as 1#INF, 1#IND...; read the
# former as numbers and the latter as missing.
valor(s) = strstrt(s, "#") > 0 ? NaN : (strstrt(s, "E") > 0 ? s + 0 : (s[1:strlen(s)-4] . "E" . s[strlen(s)-3:*]) + 0)

# --- The case ---------------------------------------------------------------
# The k-th value of entradas_geral.ent is on its k-th line that is not blank
# (the program skips blank lines, and so does gnuplot). column() reads a
# number up to the first character it cannot use, as the program does for
# "0,5" (0); the forms it would read otherwise than the program (a repeat
# count 3*21, a radix 16#15, an exponent letter D, 1.5-3 for 1.5e-3) are
# left unknown rather than shown wrong.
numerico(s) = strlen(s) > 0 && strstrt("+-.0123456789", s[1:1]) > 0
sinal_sem_expoente(s, i) = i > strlen(s) ? 0 : \
    (strstrt("+-", s[i:i]) > 0 && strstrt("eE", s[i-1:i-1]) == 0 ? 1 : sinal_sem_expoente(s, i + 1))
lido_como_o_programa(s) = numerico(s) && strstrt(s, "*") == 0 && strstrt(s, "#") == 0 && \
    strstrt(s, "d") == 0 && strstrt(s, "D") == 0 && !sinal_sem_expoente(s, 2)
array entrada[10]
do for [i = 1:10] { entrada[i] = NaN }
set datafile commentschars ""
linha = 0
stats "entradas_geral.ent" using (linha = linha + 1, linha >= 2 && linha <= 10 ? \
    (texto = strcol(1), entrada[linha] = lido_como_o_programa(texto) ? column(1) : NaN, 0) : NaN) nooutput
set datafile commentschars
conhecido(v) = v == v
Lx = conhecido(entrada[2]) ? entrada[2] : NaN
Nx = conhecido(entrada[3]) ? int(entrada[3]) : NaN
Nt_entrada = conhecido(entrada[5]) ? int(entrada[5]) : NaN
theta = conhecido(entrada[7]) ? entrada[7] : NaN
alpha = conhecido(entrada[8]) && conhecido(entrada[9]) && conhecido(entrada[10]) ? \
    entrada[8] / (entrada[10] * entrada[9]) : NaN

# Nt and tf as run: one row per time level, the last at tf.
stats arquivo using (valor(strcol(1))) name "TEMPO" nooutput
Nt = TEMPO_records - 1
tf = TEMPO_max
F = Nx >= 2 && Nt >= 1 ? alpha * (tf / Nt) / (Lx / (Nx - 1.0))**2 : NaN

numero(v) = v == v ? sprintf("%.3g", v) : "?"
esquema(t) = t == 0 ? " (explícito)" : (t == 0.5 ? " (Crank–Nicolson)" : (t == 1 ? " (implícito)" : ""))
# Every mode sin(m pi x/Lx) of the grid is multiplied at each step by
# A = (1 - 4(1 - theta) F s²)/(1 + 4 theta F s²), s = sin(m pi dx/(2 Lx)).
# Below theta = 1/2 the highest mode, s² = cos²(pi/(2(Nx - 1))), grows once
# F passes 1/(2(1 - 2 theta) s²), this grid's stability bound (1/2 for
# theta = 0 on a fine grid); a negative A of the half sine (m = 1) makes
# the solution itself change sign at every step.
interior = Nx == Nx && Nx >= 3
s2_alto = interior ? cos(pi / (2 * (Nx - 1)))**2 : NaN
s2_meio_seno = interior ? sin(pi / (2 * (Nx - 1)))**2 : NaN
limite = theta < 0.5 ? 0.5 / ((1 - 2 * theta) * s2_alto) : NaN
fator_meio_seno = (1 - 4 * (1 - theta) * F * s2_meio_seno) / (1 + 4 * theta * F * s2_meio_seno)
# A negative F (k, ro or cp below zero) makes every mode grow, whatever theta.
estabilidade = !(theta == theta) || !(F == F) || !interior ? "" : \
    (F < 0 ? " < 0 (k, ro ou cp negativo): INSTÁVEL\na solução cresce sem limite, a exata também" : \
    (theta >= 0.5 ? "; θ ≥ 0.5: estável para todo F ≥ 0" : \
    (F > limite ? sprintf(" > %.4g, o limite de estabilidade desta malha: INSTÁVEL\nestável com um Nt maior ou θ ≥ 0.5", \
        limite) : \
     sprintf(" ≤ %.4g, o limite de estabilidade desta malha", limite))))
if (interior && fator_meio_seno < 0) {
    estabilidade = estabilidade . "\na meia senoide troca de sinal a cada passo (seu fator de um passo é negativo)"
}
caso = sprintf("θ = %s%s, Nx = %s, Nt = %d, F = α·dt/dx² = %s%s", numero(theta), esquema(theta), \
    Nx == Nx ? sprintf("%d", Nx) : "?", Nt, numero(F), estabilidade)
if (Nx == Nx && Nx < 3) {
    caso = caso . "\nNx < 3: não há nó interior, só as faces a 0 °C"
}
if (exists("veredito")) {
    caso = sprintf("θ = %s%s, Nx = %s, Nt = %d, ", numero(theta), esquema(theta), Nx == Nx ? sprintf("%d", Nx) : "?", \
        Nt) . veredito
}
# With an even Nx no node sits at the centre: the middle node is Nx/2, the
# left one of the two nearest it.
if (historia_do_meio && Nx == Nx && Nx >= 4 && Nx % 2 == 0) {
    caso = caso . sprintf("\nNx par: o nó do meio é o nó %d, em x = %d/%d·Lx = %s m, à esquerda do centro", \
        Nx / 2, Nx / 2 - 1, Nx - 1, numero((Nx / 2 - 1) * Lx / (Nx - 1)))
}
if (Nt_entrada == Nt_entrada && Nt_entrada != Nt) {
    caso = caso . sprintf("\n(entradas_geral.ent pede agora Nt = %d: mudou depois desta corrida)", Nt_entrada)
}

# --- The axes ---------------------------------------------------------------
stats arquivo using (valor(strcol(2))) name "NUM" nooutput
stats arquivo using (valor(strcol(3))) name "EXATA" nooutput
stats arquivo using (valor(strcol(3)) - valor(strcol(2))) name "ERRO" nooutput
maior(a, b) = a > b ? a : b
amplitude_exata = maior(abs(EXATA_min), abs(EXATA_max))
# Values that grow by decades past the exact ones (an explicit run past its
# stability bound) get a signed logarithmic axis, sgn(T)·log10(1 + |T|), so
# that the exact curve and the growing oscillation are both visible; a
# history that decays over decades gets a logarithmic axis.
descomunal(a, b) = maior(abs(a), abs(b)) > 1000 * maior(amplitude_exata, 1)
decai_por_decadas(a, b) = a > 0 && b / a > 1000

# About 30 marks on the numerical curve, whatever the number of steps.
marcas = -maior(int(TEMPO_records / 30), 1)
# All the levels at one time (tf = 0): nothing to draw against time; the
# frame around that instant with room above and below the values, a note
# saying so beside them, and each curve's value there as a point (a line
# through one point draws nothing).
um_instante = !(TEMPO_max > TEMPO_min)
if (!um_instante) {
    set xrange [TEMPO_min : TEMPO_max]
} else {
    set xrange [TEMPO_min - 1 : TEMPO_max + 1]
    set offsets 0, 0, graph 0.15, graph 0.15
    set label 1 sprintf("todos os %d níveis de tempo estão em t = %g s (tf = 0):\nnão há história no tempo a desenhar", \
        TEMPO_records, TEMPO_min) at screen 0.14, 0.66 left front
}
no_instante(v) = um_instante ? v : NaN
# The trapezoidal rule's own error on the exact field, Tm_an(0) - Tm(0) at
# t = 0, decays like the exact mean: its value at t is the exact column
# times its share at t = 0.
if (com_trapezios) {
    stats arquivo every ::0::0 using (valor(strcol(3)) - valor(strcol(2))) name "TRAP" nooutput
    stats arquivo every ::0::0 using (valor(strcol(3))) name "EXATA0" nooutput
    parcela_trapezios = EXATA0_max != 0 ? TRAP_max / EXATA0_max : 0
}
set grid
set key horizontal center box opaque
set lmargin at screen 0.12
set rmargin at screen 0.97
# The title takes a line for the quantity and one for each line of the case
# (the verdict may take several): past three, the top panel and its key move
# down a line's height for each, so that the title never runs over the key.
linhas_do_caso = 1
do for [i = 1:strlen(caso)] {
    if (caso[i:i] eq "\n") {
        linhas_do_caso = linhas_do_caso + 1
    }
}
abaixo = 0.025 * (linhas_do_caso > 2 ? linhas_do_caso - 2 : 0)
set multiplot title grandeza . "\n" . caso font ",13"
do for [painel = 1:2] {
    minimo = painel == 1 ? (NUM_min < EXATA_min ? NUM_min : EXATA_min) : ERRO_min
    maximo = painel == 1 ? maior(NUM_max, EXATA_max) : ERRO_max
    unset logscale y
    unset nonlinear y
    set ytics auto
    set format y "%g"
    set autoscale y
    if (descomunal(minimo, maximo)) {
        amplitude = maior(abs(minimo), abs(maximo))
        set nonlinear y via sgn(y) * log10(1 + abs(y)) inverse sgn(y) * (10**abs(y) - 1)
        set ytics ("0" 0)
        passo = maior(ceil(log10(amplitude) / (painel == 1 ? 6 : 3)), 1)
        do for [d = passo:308:passo] {
            if (10.0**d < amplitude * 10) {
                set ytics add (sprintf("10^{%d}", d) 10.0**d, sprintf("-10^{%d}", d) -(10.0**d))
            }
        }
    } else {
        if (painel == 1 && decai_por_decadas(minimo, maximo)) {
            set logscale y
            set format y "10^{%L}"
        } else {
            if (maximo == minimo) {
                set yrange [minimo - 1 : maximo + 1]
            }
        }
    }
    if (painel == 1) {
        set tmargin at screen 0.84 - abaixo
        set bmargin at screen 0.42
        set key at screen 0.545, 0.885 - abaixo
        set format x ""
        set xlabel ""
        set ylabel rotulo_y
        plot arquivo using (valor(strcol(1))):(valor(strcol(2))) with linespoints pointinterval marcas pointsize 0.8 \
                 lw 2 lc rgb "#9400d3" title rotulo_numerica, \
             arquivo using (valor(strcol(1))):(valor(strcol(3))) with lines lw 2 dt 2 lc rgb "#00a050" title rotulo_exata, \
             arquivo using (valor(strcol(1))):(no_instante(valor(strcol(3)))) with points pt 6 ps 2 lc rgb "#00a050" notitle
    } else {
        set tmargin at screen 0.31
        set bmargin at screen 0.08
        set key at screen 0.545, 0.355
        set format x "%g"
        set xlabel "tempo [s]"
        set ylabel "exata − numérica [°C]"
        plot arquivo using (valor(strcol(1))):(valor(strcol(3)) - valor(strcol(2))) with lines lw 2 lc rgb "#dd181f" \
                 title "erro: exata − numérica, a coluna “Erro numérico” da listagem", \
             arquivo using (valor(strcol(1))):(no_instante(valor(strcol(3)) - valor(strcol(2)))) with points pt 7 \
                 lc rgb "#dd181f" notitle, \
             arquivo using (valor(strcol(1))):(com_trapezios ? valor(strcol(3)) * parcela_trapezios : NaN) \
                 with lines lw 2 dt 3 lc rgb "#606060" \
                 title (com_trapezios ? sprintf("só a regra dos trapézios sobre o campo exato (%.3g °C em t = 0): não é o erro do esquema", \
                 TRAP_max) : ""), \
             0 with lines lw 1 lc rgb "#808080" notitle
    }
}
unset multiplot

if (!png) pause mouse close
