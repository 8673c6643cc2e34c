#pragma once
// Result codes of the 32-bit HRESULT convention: 0 for success, negative for failure. Every layer
// that talks to the web service answers one of these instead of throwing.

#include <cstdint>

using HRESULT = std::int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);

[[nodiscard]] constexpr bool Succeeded(HRESULT hr) { return hr >= 0; }
[[nodiscard]] constexpr bool Failed(HRESULT hr) { return hr < 0; }
