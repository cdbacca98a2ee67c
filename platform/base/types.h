// The fixed-size types, handles and plain records that every Windows
// interface of the platform is written in. Widths are those of 32-bit
// Windows where the program's records depend on them (DWORD, LONG, ULONG are
// 32 bits here even though long is 64); pointer-sized types follow the
// pointer.
#pragma once

#include <cstddef>
#include <cstdint>

// Integers
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = unsigned int;
using INT = int;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using BOOL = int;
using BOOLEAN = BYTE;
using CHAR = char;
using WCHAR = char16_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = ULONG_PTR;
using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;
using LSTATUS = LONG;
using ATOM = WORD;
using COLORREF = DWORD;
using REGSAM = DWORD;

using PBYTE = BYTE*;
using LPBYTE = BYTE*;
using PDWORD = DWORD*;
using LPDWORD = DWORD*;
using PULONG = ULONG*;
using PLONG = LONG*;
using LPVOID = void*;
using LPCVOID = const void*;
using LPSTR = char*;
using LPCSTR = const char*;
using PCHAR = char*;

#ifndef TRUE
#define TRUE 1
#endif
#ifndef FALSE
#define FALSE 0
#endif

// Handles: opaque pointers, each its own type so they do not mix.
#define LORVANE_DECLARE_HANDLE(name) \
  struct name##__ {                  \
    int unused;                      \
  };                                 \
  using name = name##__*
LORVANE_DECLARE_HANDLE(HWND);
LORVANE_DECLARE_HANDLE(HMENU);
LORVANE_DECLARE_HANDLE(HICON);
LORVANE_DECLARE_HANDLE(HBRUSH);
LORVANE_DECLARE_HANDLE(HINSTANCE);
LORVANE_DECLARE_HANDLE(HKEY);
LORVANE_DECLARE_HANDLE(HDC);
LORVANE_DECLARE_HANDLE(HACCEL);
LORVANE_DECLARE_HANDLE(HFONT);
#undef LORVANE_DECLARE_HANDLE
using HCURSOR = HICON;
using HMODULE = HINSTANCE;
using HANDLE = void*;
using PHKEY = HKEY*;

// Geometry
struct POINT {
  LONG x;
  LONG y;
};
struct SIZE {
  LONG cx;
  LONG cy;
};
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;
using LPPOINT = POINT*;

// Resource ids passed where a name may go.
#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define IS_INTRESOURCE(p) ((reinterpret_cast<ULONG_PTR>(p) >> 16) == 0)

#define LOWORD(l) (static_cast<WORD>(static_cast<DWORD_PTR>(l) & 0xffff))
#define HIWORD(l) (static_cast<WORD>((static_cast<DWORD_PTR>(l) >> 16) & 0xffff))
#define MAKELONG(a, b) \
  (static_cast<LONG>(static_cast<WORD>(a) | (static_cast<DWORD>(static_cast<WORD>(b)) << 16)))
#define MAKEWPARAM(l, h) (static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(l, h))))
#define MAKELPARAM(l, h) (static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(l, h))))
