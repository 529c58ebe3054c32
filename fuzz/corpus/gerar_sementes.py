#!/usr/bin/env python3
"""Writes the hand-made seeds of the fuzz corpora.

    python3 fuzz/corpus/gerar_sementes.py

leitura/: the reference input files of the tests and input files that each
stop the reader at another rule (null values, repeat prefixes, quotes run on
over a line end, radix integers, the exponent forms, values out of range).
formatos/: the program's own statements, with the items it passes them, and
formats that are malformed in each way the interpreter refuses. A format seed
is the format text, a NUL byte, then the items (tag byte: even for a double in
8 bytes, odd for a 32-bit integer in 4, little-endian).
Files found by the fuzzer that once failed live in */regressoes/ and are not
written here.
"""
import pathlib
import shutil
import struct

AQUI = pathlib.Path(__file__).resolve().parent
RAIZ = AQUI.parent.parent


def escrever(pasta, nome, dados):
    caminho = AQUI / pasta / nome
    caminho.parent.mkdir(parents=True, exist_ok=True)
    caminho.write_bytes(dados)


def sementes_leitura():
    for caso in sorted((RAIZ / "tests/dados/golden").iterdir()):
        entrada = caso / "entradas_geral.ent"
        if entrada.exists():
            shutil.copyfile(entrada, AQUI / "leitura" / f"golden_{caso.name}.ent")
    valores = ["lista.txt", "1.0", "21", "600.0", "600", "100.0", "0.5", "45.0", "800.0", "460.0"]

    def com(posicao, texto):
        v = list(valores)
        v[posicao] = texto
        return ("\n".join(v) + "\n").encode("latin-1")

    casos = {
        "nulos": b",\n/\n3*\n, x\n2*,\n'' \n1\n1\n1\n1\n",
        "repeticoes": com(2, "3*21"),
        "repeticao_zero": com(2, "0*21"),
        "repeticao_dupla": com(2, "2*3*4"),
        "aspas_continuadas": b"'nome\n xcontinuado'' e fim' resto\n" + com(0, "")[1:],
        "aspas_abertas": b"'sem fim\n\n",
        "parenteses": b"(a, b c)\n1\n(2,3)\n",
        "radicais": com(2, "16#7fffFFFF") + com(4, "#ff") + com(4, "2#101"),
        "radical_invalido": com(2, "37#1"),
        "sustenido_duplo": com(2, "8#1#2"),
        "expoentes": com(1, "1.5D-3") + com(3, "1.5-3") + com(5, "+.5e+2"),
        "fora_da_faixa": com(1, "1e400") + com(2, "2147483648"),
        "minimo_inteiro": com(2, "-2147483648"),
        "subnormal": com(1, "4.9e-324"),
        "valor_longo": com(1, "1" * 300),
        "nome_longo": ("x" * 150 + "\n" + "\n".join(valores[1:]) + "\n").encode(),
        "acentos": "relat\xf3rio_\xe1\xe9\xed.txt\n1\n3\n1\n1\n100\n1\n1\n1\n1\n".encode("latin-1"),
        "cr_solto": b"a\rb\r\n1\r2\r\n3\r",
        "sem_fim_de_linha": b"lista.txt\n1\n3\n1\n1\n100\n1\n1\n1\n1",
        "nove_valores": b"lista.txt\n1\n3\n1\n1\n100\n1\n1\n1\n",
        "vazio": b"",
        "so_brancos": b" \t \n\n  \n",
        "texto_para_numero": com(1, "'1.0'"),
        "lixo_colado": com(1, "1.0!m"),
        "virgula_decimal": com(6, "0,5"),
    }
    for nome, dados in casos.items():
        escrever("leitura", nome + ".ent", dados)


FORMATO_CABECALHO = (
    "('********************************************************************************************************',/,"
    "' Difus\xe3o de Calor Undimensional em Regime Transiente ***************************************************',/,"
    "'********************************************************************************************************',2/,"
    "'Dados iniciais',/,"
    "1P,E25.15,T30,' = Lx:     comprimento do dom\xednio [m]',/,"
    "I10,T30,' = Nx:     n\xfamero de n\xf3s do dom\xednio',/,"
    "1P,E25.15,T30,' = tf:     tempo final [s]',/,"
    "I10,T30,' = Nt:     n\xfamero de intervalos de tempo considerado',/,"
    "1P,E25.15,T30,' = Ti:     temperatura de refer\xeancia (temperatura m\xe1xima)',/,"
    "1P,E25.15,T30,' = theta:  par\xe2metro de escolha para formula\xe7\xe3o do tempo:',/,"
    "T30,'           0 - expl\xedcita; 0.5 - Crank-Nicolson; 1 - totalmente impl\xedcita',/,"
    "1P,E25.15,T30,' = k:      condutividade t\xe9rmica [W/m*K]',/,"
    "1P,E25.15,T30,' = ro:     massa espec\xedfica [kg/m3]',/,"
    "1P,E25.15,T30,' = cp:     calor espec\xedfico a press\xe3o constante [J/kg*K]',/,"
    "1P,E25.15,T30,' = alpha:  difusividade t\xe9rmica [m2/s]',/,"
    "1P,E25.15,T30,' = dx:     tamanho dos elementos de malha (dist\xe2ncia entre n\xf3s) [m]',/,"
    "1P,E25.15,T30,' = dt:     passo de tempo [s]')"
)
FORMATO_TITULO_MEDIA = (
    "(/,'********************************************************************************************************',/,"
    "' Temperatura m\xe9dia *************************************************************************************',/,"
    "'********************************************************************************************************',/,"
    "T10,'tempo [s]',T30,'Tm num\xe9rica. [\xbaC]',T55,'Tm anal\xedtica [\xbaC]',T80,'Erro num\xe9rico [\xbaC]')"
)
FORMATO_TITULO_MEIO = (
    "(/,'********************************************************************************************************',/,"
    "' Temperatura no meio do dom\xednio ************************************************************************',/,"
    "'********************************************************************************************************',/,"
    "T10,'tempo [s]',T30,'Temp. num\xe9rica. [\xbaC]',T55,'Temp. anal\xedtica [\xbaC]',T80,'Erro num\xe9rico [\xbaC]')"
)


def real(v):
    return b"\x00" + struct.pack("<d", v)


def inteiro(v):
    return b"\x01" + struct.pack("<i", v)


def semente_formato(formato, itens=()):
    return formato.encode("latin-1") + b"\x00" + b"".join(itens)


def sementes_formatos():
    cabecalho = [real(1.0), inteiro(21), real(600.0), inteiro(600), real(100.0), real(0.5), real(45.0),
                 real(800.0), real(460.0), real(45.0 / (460.0 * 800.0)), real(0.05), real(1.0)]
    casos = {
        "cabecalho": semente_formato(FORMATO_CABECALHO, cabecalho),
        "titulo_media": semente_formato(FORMATO_TITULO_MEDIA),
        "titulo_meio": semente_formato(FORMATO_TITULO_MEIO),
        "linha_listagem": semente_formato("(5(1P,E25.15))", [real(0.25), real(63.6), real(-1e-300), real(2 / 3)]),
        "linha_dados": semente_formato("(3(1P,E25.15))", [real(1e100), real(-0.0), real(9.112847118503351)]),
        "nao_finitos": semente_formato("(4(1P,E25.15))", [real(float("inf")), real(float("-inf")), real(float("nan")),
                                                          b"\x00" + struct.pack("<Q", 0x7FF0000000000001)]),
        "subnormais": semente_formato("(1P,2E25.15,0P,E12.3,-2P,E12.5)", [real(5e-324), real(2.2e-308), real(1e-99),
                                                                          real(123.456)]),
        "inteiros": semente_formato("(I10,I1,I3,I10)", [inteiro(-2147483648), inteiro(7), inteiro(-5), inteiro(0)]),
        "reversao": semente_formato("('a',2(I3,'b'),/,3(E10.2))", [inteiro(1), inteiro(2)] + [real(1.5)] * 7),
        "dois_pontos": semente_formato("(I3,:,'depois',I3)", [inteiro(1)]),
        "tabulacoes": semente_formato("(T5,'x',T2,'y',T40,I3)", [inteiro(9)]),
        "aspas_duplas": semente_formato("(\"a\"\"b\",'c''d')"),
        "minusculas": semente_formato("( 1p , e 2 5 . 1 5 , i 1 0 )", [real(3.0), inteiro(4)]),
        "grupos_aninhados": semente_formato("(2(2(2(2(I2)))))", [inteiro(j) for j in range(16)]),
        # Malformed: each refused by the interpreter in its own way.
        "sem_fecho": semente_formato("(I10"),
        "literal_aberto": semente_formato("('abc)"),
        "descritor_desconhecido": semente_formato("(Q5)"),
        "repeticao_antes_de_t": semente_formato("(2T5)"),
        "fundo_demais": semente_formato("(" + "1(" * 17 + "I1" + ")" * 17 + ")", [inteiro(1)]),
        "real_em_i": semente_formato("(I10)", [real(1.0)]),
        "inteiro_em_e": semente_formato("(E25.15)", [inteiro(1)]),
        "itens_sem_descritor": semente_formato("('x')", [inteiro(1)]),
        "numero_grande": semente_formato("(99999I1)"),
        "sem_abertura": semente_formato("I10)"),
    }
    for nome, dados in casos.items():
        escrever("formatos", nome, dados)


if __name__ == "__main__":
    sementes_leitura()
    sementes_formatos()
