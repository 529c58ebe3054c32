# Temperatura no meio do domínio: the numerical history that difusao_calor wrote in temp_meio.txt
# (columns: time, numerical, exact) against the exact solution.
#
# Interactive:  gnuplot temp_meio.gnu           (the window stays until it is closed)
# PNG image:    gnuplot -e "png=1" temp_meio.gnu   (writes temp_meio.png, no window)
set encoding utf8
if (!exists("png")) png = 0
if (png) {
    set terminal pngcairo size 1100,700 enhanced font ",11"
    set output "temp_meio.png"
}

# The program writes exponents beyond two digits without the letter E
# (1.000000000000000+100) and non-finite values as 1#INF, 1#IND...; read the
# former as numbers and skip the latter.
valor(s) = strstrt(s, "#") > 0 ? NaN : (strstrt(s, "E") > 0 ? s + 0 : (s[1:strlen(s)-4] . "E" . s[strlen(s)-3:*]) + 0)

arquivo = "temp_meio.txt"
stats arquivo using (valor(strcol(2))) name "NUM" nooutput
stats arquivo using (valor(strcol(3))) name "ANA" nooutput
minimo = NUM_min < ANA_min ? NUM_min : ANA_min
maximo = NUM_max > ANA_max ? NUM_max : ANA_max
# A history that decays over many decades reads best on a logarithmic axis.
# One that changes sign and grows by decades (an explicit run past its
# stability bound) gets a signed logarithmic axis, sgn(T)*log10(1 + |T|), so
# that the exact curve and the growing oscillation are both visible.
amplitude_exata = abs(ANA_min) > abs(ANA_max) ? abs(ANA_min) : abs(ANA_max)
amplitude = abs(minimo) > abs(maximo) ? abs(minimo) : abs(maximo)
if (minimo > 0 && maximo / minimo > 1000) {
    set logscale y
    set format y "10^{%L}"
} else {
    if (amplitude > 1000 * (amplitude_exata > 1 ? amplitude_exata : 1)) {
        set nonlinear y via sgn(y) * log10(1 + abs(y)) inverse sgn(y) * (10**abs(y) - 1)
        set ytics ("0" 0)
        passo = ceil(log10(amplitude) / 8) > 1 ? ceil(log10(amplitude) / 8) : 1
        do for [d = passo:300:passo] {
            if (10.0**d < amplitude * 10) {
                set ytics add (sprintf("10^{%d}", d) 10.0**d, sprintf("-10^{%d}", d) -(10.0**d))
            }
        }
        set ylabel offset -2
    }
    set format y "%g"
}

set title "Temperatura no meio do domínio" font ",14"
set xlabel "tempo [s]"
set ylabel "temperatura no nó central [ºC]"
set grid
set key bottom left box opaque
set format x "%g"
plot arquivo using (valor(strcol(1))):(valor(strcol(2))) with linespoints pointinterval -20 pointsize 0.8 lw 2 title "solução numérica (método theta)", \
     arquivo using (valor(strcol(1))):(valor(strcol(3))) with lines lw 2 dt 2 title "solução analítica"

if (!png) pause mouse close
