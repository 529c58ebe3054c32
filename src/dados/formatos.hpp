// The formats of the result files: the listing's header and its two table
// titles, the rows of the listing and the rows of the two data files.
#pragma once

#include <string_view>

namespace dados {

// The listing's statements. The texts are Windows-1252 bytes, written as
// escapes so that no editor or compiler re-encodes them.
inline constexpr std::string_view formato_cabecalho =
    "('********************************************************************************************************',/,"
    "' Difus\xE3o de Calor Undimensional em Regime Transiente ***************************************************',/,"
    "'********************************************************************************************************',2/,"
    "'Dados iniciais',/,"
    "1P,E25.15,T30,' = Lx:     comprimento do dom\xEDnio [m]',/,"
    "I10,T30,' = Nx:     n\xFAmero de n\xF3s do dom\xEDnio',/,"
    "1P,E25.15,T30,' = tf:     tempo final [s]',/,"
    "I10,T30,' = Nt:     n\xFAmero de intervalos de tempo considerado',/,"
    "1P,E25.15,T30,' = Ti:     temperatura de refer\xEAncia (temperatura m\xE1xima)',/,"
    "1P,E25.15,T30,' = theta:  par\xE2metro de escolha para formula\xE7\xE3o do tempo:',/,"
    "T30,'           0 - expl\xED" "cita; 0.5 - Crank-Nicolson; 1 - totalmente impl\xED" "cita',/,"
    "1P,E25.15,T30,' = k:      condutividade t\xE9rmica [W/m*K]',/,"
    "1P,E25.15,T30,' = ro:     massa espec\xED" "fica [kg/m3]',/,"
    "1P,E25.15,T30,' = cp:     calor espec\xED" "fico a press\xE3o constante [J/kg*K]',/,"
    "1P,E25.15,T30,' = alpha:  difusividade t\xE9rmica [m2/s]',/,"
    "1P,E25.15,T30,' = dx:     tamanho dos elementos de malha (dist\xE2ncia entre n\xF3s) [m]',/,"
    "1P,E25.15,T30,' = dt:     passo de tempo [s]')";

inline constexpr std::string_view formato_titulo_media =
    "(/,'********************************************************************************************************',/,"
    "' Temperatura m\xE9" "dia *************************************************************************************',/,"
    "'********************************************************************************************************',/,"
    "T10,'tempo [s]',T30,'Tm num\xE9rica. [\xBA" "C]',T55,'Tm anal\xEDtica [\xBA" "C]',T80,'Erro num\xE9rico [\xBA" "C]')";

inline constexpr std::string_view formato_titulo_meio =
    "(/,'********************************************************************************************************',/,"
    "' Temperatura no meio do dom\xEDnio ************************************************************************',/,"
    "'********************************************************************************************************',/,"
    "T10,'tempo [s]',T30,'Temp. num\xE9rica. [\xBA" "C]',T55,'Temp. anal\xEDtica [\xBA" "C]',T80,'Erro num\xE9rico [\xBA" "C]')";

inline constexpr std::string_view formato_linha_listagem = "(5(1P,E25.15))";
inline constexpr std::string_view formato_linha_dados = "(3(1P,E25.15))";

}  // namespace dados
