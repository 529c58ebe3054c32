// Included before every file of the WebAssembly build, for what its tool
// chain (emscripten 3.1.6) lacks.
#pragma once

#include <charconv>
#include <version>

// The C++ library predates std::bit_cast, which the compiler has as a builtin.
#ifndef __cpp_lib_bit_cast
#include <type_traits>

namespace std {

template <class Para, class De>
    requires(sizeof(Para) == sizeof(De) && is_trivially_copyable_v<Para> && is_trivially_copyable_v<De>)
constexpr Para bit_cast(const De& de) noexcept {
    return __builtin_bit_cast(Para, de);
}

}  // namespace std
#endif

// Nor has it std::from_chars for doubles. This one reads what the standard's
// general format reads (an optional minus, decimal digits with an optional
// point and exponent, inf, infinity, nan, nan(chars), letters in any case)
// and converts the text it took with the C library's correctly rounded
// strtod. A value beyond the range of doubles, or too small to be other than
// zero, leaves `valor` unchanged and is out of range.
#if !defined(_LIBCPP_VERSION) || _LIBCPP_VERSION < 14000
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace std {

inline from_chars_result from_chars(const char* inicio, const char* fim, double& valor) {
    const char* p = inicio;
    if (p != fim && *p == '-') ++p;
    const auto igual = [&](const char* palavra) {
        const std::size_t n = std::strlen(palavra);
        if (static_cast<std::size_t>(fim - p) < n) return false;
        for (std::size_t j = 0; j < n; ++j)
            if ((p[j] | 0x20) != palavra[j]) return false;
        p += n;
        return true;
    };
    const auto digitos = [&] {
        const char* antes = p;
        while (p != fim && *p >= '0' && *p <= '9') ++p;
        return p != antes;
    };
    bool algarismo_nao_nulo = false;
    if (igual("infinity") || igual("inf")) {
    } else if (igual("nan")) {
        const char* apos = p;
        if (p != fim && *p == '(') {
            ++p;
            while (p != fim && (*p == '_' || (*p >= '0' && *p <= '9') || ((*p | 0x20) >= 'a' && (*p | 0x20) <= 'z'))) ++p;
            if (p != fim && *p == ')')
                ++p;
            else
                p = apos;
        }
    } else {
        const char* mantissa = p;
        const bool inteira = digitos();
        if (p != fim && *p == '.') {
            ++p;
            if (!digitos() && !inteira) return {inicio, errc::invalid_argument};
        } else if (!inteira) {
            return {inicio, errc::invalid_argument};
        }
        for (const char* q = mantissa; q != p; ++q) algarismo_nao_nulo = algarismo_nao_nulo || (*q >= '1' && *q <= '9');
        if (p != fim && (*p | 0x20) == 'e') {
            const char* antes = p++;
            if (p != fim && (*p == '+' || *p == '-')) ++p;
            if (!digitos()) p = antes;
        }
    }
    const std::string texto(inicio, p);
    const double lido = std::strtod(texto.c_str(), nullptr);
    const bool numero = texto.find_first_of("0123456789") != std::string::npos;
    if (numero && (std::isinf(lido) || (lido == 0.0 && algarismo_nao_nulo))) return {p, errc::result_out_of_range};
    valor = lido;
    return {p, errc{}};
}

}  // namespace std
#endif
