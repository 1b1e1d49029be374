// The Windows side's conversions between the programs' UTF-8 and the
// system's UTF-16, shared by the src/platform/*_windows.cpp files alone.
#ifndef QUENVARO_PLATFORM_UTF16_WINDOWS_H_
#define QUENVARO_PLATFORM_UTF16_WINDOWS_H_

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <string>

// `texto` (UTF-8) as UTF-16; an invalid byte becomes U+FFFD.
inline std::wstring FunAUtf16(const char* texto) {
  const int largo = MultiByteToWideChar(CP_UTF8, 0, texto, -1, nullptr, 0);
  if (largo <= 1) return std::wstring();
  std::wstring ancho(static_cast<std::size_t>(largo), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, texto, -1, &ancho[0], largo);
  ancho.pop_back();  // the terminator the count included
  return ancho;
}

// `texto` (UTF-16) as UTF-8; a lone surrogate becomes U+FFFD.
inline std::string FunAUtf8(const wchar_t* texto) {
  const int largo =
      WideCharToMultiByte(CP_UTF8, 0, texto, -1, nullptr, 0, nullptr, nullptr);
  if (largo <= 1) return std::string();
  std::string estrecho(static_cast<std::size_t>(largo), '\0');
  WideCharToMultiByte(CP_UTF8, 0, texto, -1, &estrecho[0], largo, nullptr,
                      nullptr);
  estrecho.pop_back();
  return estrecho;
}

#endif  // QUENVARO_PLATFORM_UTF16_WINDOWS_H_
