// Owning wrappers for the Win32 handles the program obtains: registry keys, kernel handles,
// LocalAlloc'ed memory (SIDs, ACLs), GDI objects, COM interfaces, and the GDI pairings that must be
// undone (a DC borrowed with GetDC, an object selected into a DC, BeginPaint). Each undoes what it
// holds exactly once, on every path, so no operation has to remember a bare RegCloseKey/CloseHandle/
// ReleaseDC.
#pragma once

#include <windows.h>

#include <cstdio>
#include <utility>

template <typename Traits> class UniqueResource {
public:
    using value_type = typename Traits::type;

    UniqueResource() noexcept = default;
    explicit UniqueResource(value_type value) noexcept : m_value(value) {}
    ~UniqueResource() { reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : m_value(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }

    [[nodiscard]] value_type get() const noexcept { return m_value; }
    [[nodiscard]] bool valid() const noexcept { return m_value != Traits::invalid(); }
    explicit operator bool() const noexcept { return valid(); }

    // For out-parameters of Win32 calls: releases what is held and hands out the slot.
    [[nodiscard]] value_type* put() noexcept {
        reset();
        return &m_value;
    }

    value_type release() noexcept { return std::exchange(m_value, Traits::invalid()); }

    void reset(value_type value = Traits::invalid()) noexcept {
        value_type old = std::exchange(m_value, value);
        if (old != Traits::invalid()) {
            Traits::close(old);
        }
    }

private:
    value_type m_value = Traits::invalid();
};

namespace HandleTraits {
struct RegKey {
    using type = HKEY;
    static type invalid() noexcept { return nullptr; }
    static void close(type key) noexcept { RegCloseKey(key); }
};
struct Kernel {
    using type = HANDLE;
    static type invalid() noexcept { return nullptr; }
    static void close(type handle) noexcept { CloseHandle(handle); }
};
struct KernelFile {
    using type = HANDLE;
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type handle) noexcept { CloseHandle(handle); }
};
struct FindFile {
    using type = HANDLE;
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type handle) noexcept { FindClose(handle); }
};
struct MemoryDC {
    using type = HDC;
    static type invalid() noexcept { return nullptr; }
    static void close(type dc) noexcept { DeleteDC(dc); }
};
struct CFile {
    using type = std::FILE*;
    static type invalid() noexcept { return nullptr; }
    // The one place a C stream is closed: every FILE* the program opens is held here.
    static void close(type file) noexcept { std::fclose(file); } // NOLINT(cppcoreguidelines-owning-memory)
};
template <typename T> struct Local {
    using type = T;
    static type invalid() noexcept { return nullptr; }
    static void close(type memory) noexcept { LocalFree(reinterpret_cast<HLOCAL>(memory)); }
};
template <typename T> struct GdiObject {
    using type = T;
    static type invalid() noexcept { return nullptr; }
    static void close(type object) noexcept { DeleteObject(object); }
};
// A COM interface pointer: its reference is released.
template <typename T> struct ComInterface {
    using type = T*;
    static type invalid() noexcept { return nullptr; }
    static void close(type object) noexcept { object->Release(); }
};
} // namespace HandleTraits

using unique_hkey = UniqueResource<HandleTraits::RegKey>;
using unique_handle = UniqueResource<HandleTraits::Kernel>;
using unique_file_handle = UniqueResource<HandleTraits::KernelFile>;
using unique_find_handle = UniqueResource<HandleTraits::FindFile>;
using unique_memdc = UniqueResource<HandleTraits::MemoryDC>;
using unique_cfile = UniqueResource<HandleTraits::CFile>;
template <typename T> using unique_local = UniqueResource<HandleTraits::Local<T>>;
template <typename T> using unique_gdi = UniqueResource<HandleTraits::GdiObject<T>>;
template <typename T> using unique_com = UniqueResource<HandleTraits::ComInterface<T>>;

// A window's device context borrowed with GetDC, given back with ReleaseDC.
class ScopedGetDC {
public:
    [[nodiscard]] explicit ScopedGetDC(HWND hwnd) noexcept : m_hwnd(hwnd), m_dc(GetDC(hwnd)) {}
    ~ScopedGetDC() {
        if (m_dc != nullptr) {
            ReleaseDC(m_hwnd, m_dc);
        }
    }
    ScopedGetDC(const ScopedGetDC&) = delete;
    ScopedGetDC& operator=(const ScopedGetDC&) = delete;

    [[nodiscard]] HDC get() const noexcept { return m_dc; }
    explicit operator bool() const noexcept { return m_dc != nullptr; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// An object selected into a DC; the DC's previous object goes back in when this ends, so an object
// is never deleted while a DC still holds it. Declare it after the object it selects. Movable, so
// a member can follow an object that is replaced (reset() first, then delete the old object).
class ScopedSelectObject {
public:
    ScopedSelectObject() noexcept = default;
    [[nodiscard]] ScopedSelectObject(HDC dc, HGDIOBJ object) noexcept {
        if (dc != nullptr && object != nullptr) {
            HGDIOBJ old = SelectObject(dc, object);
            if (old != nullptr && old != HGDI_ERROR) {
                m_dc = dc;
                m_old = old;
            }
        }
    }
    ~ScopedSelectObject() { reset(); }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;
    ScopedSelectObject(ScopedSelectObject&& other) noexcept
        : m_dc(std::exchange(other.m_dc, nullptr)), m_old(std::exchange(other.m_old, nullptr)) {}
    ScopedSelectObject& operator=(ScopedSelectObject&& other) noexcept {
        if (this != &other) {
            reset();
            m_dc = std::exchange(other.m_dc, nullptr);
            m_old = std::exchange(other.m_old, nullptr);
        }
        return *this;
    }

    // Whether the object went in (false for a null DC or object, or when GDI refused it).
    explicit operator bool() const noexcept { return m_dc != nullptr; }
    // Puts the previous object back now.
    void reset() noexcept {
        if (m_dc != nullptr) {
            SelectObject(m_dc, m_old);
        }
        m_dc = nullptr;
        m_old = nullptr;
    }

private:
    HDC m_dc = nullptr;
    HGDIOBJ m_old = nullptr;
};

// BeginPaint and EndPaint around the handling of one WM_PAINT; EndPaint runs even when BeginPaint
// gave no DC, as the platform requires.
class ScopedPaint {
public:
    [[nodiscard]] explicit ScopedPaint(HWND hwnd) noexcept : m_hwnd(hwnd), m_dc(BeginPaint(hwnd, &m_ps)) {}
    ~ScopedPaint() { EndPaint(m_hwnd, &m_ps); }
    ScopedPaint(const ScopedPaint&) = delete;
    ScopedPaint& operator=(const ScopedPaint&) = delete;

    [[nodiscard]] HDC get() const noexcept { return m_dc; }
    [[nodiscard]] const RECT& rect() const noexcept { return m_ps.rcPaint; }

private:
    HWND m_hwnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc;
};
