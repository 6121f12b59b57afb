// Owning wrappers for the Win32 handles the program obtains: registry keys, kernel handles,
// LocalAlloc'ed memory (SIDs, ACLs) and GDI objects. Each closes what it holds exactly once, on
// every path, so no operation has to remember a bare RegCloseKey/CloseHandle/LocalFree.
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
} // namespace HandleTraits

using unique_hkey = UniqueResource<HandleTraits::RegKey>;
using unique_handle = UniqueResource<HandleTraits::Kernel>;
using unique_file_handle = UniqueResource<HandleTraits::KernelFile>;
using unique_find_handle = UniqueResource<HandleTraits::FindFile>;
using unique_memdc = UniqueResource<HandleTraits::MemoryDC>;
using unique_cfile = UniqueResource<HandleTraits::CFile>;
template <typename T> using unique_local = UniqueResource<HandleTraits::Local<T>>;
template <typename T> using unique_gdi = UniqueResource<HandleTraits::GdiObject<T>>;
