#pragma once
// Move-only owners of Windows handles and COM references: each closes what it holds exactly
// once, when it goes out of scope or is reset. Copying is deleted so that no handle is closed
// twice.
//
// WinINet and WinHTTP both name their handle HINTERNET, and their headers cannot be included in
// one file; so this header includes neither and their close calls live in ScopedWinInet.cpp and
// ScopedWinHttp.cpp.

#include <windows.h>
#include <objbase.h>
#include <unknwn.h>

#include <utility>

namespace toolkit {

// Traits: a handle type, the value meaning "nothing held", whether a value is held, and Close.
template <typename Traits> class ScopedResource {
public:
    using Type = typename Traits::Type;

    ScopedResource() = default;
    explicit ScopedResource(Type value) : m_value(value) {}
    ~ScopedResource() { Reset(); }

    ScopedResource(const ScopedResource&) = delete;
    ScopedResource& operator=(const ScopedResource&) = delete;

    ScopedResource(ScopedResource&& other) noexcept : m_value(other.Release()) {}
    ScopedResource& operator=(ScopedResource&& other) noexcept
    {
        if (this != &other) {
            Reset(other.Release());
        }
        return *this;
    }

    Type Get() const { return m_value; }
    bool IsValid() const { return Traits::IsValid(m_value); }
    explicit operator bool() const { return IsValid(); }

    // Gives up ownership without closing.
    Type Release() { return std::exchange(m_value, Traits::Empty()); }

    void Reset(Type value = Traits::Empty())
    {
        Type old = std::exchange(m_value, value);
        if (Traits::IsValid(old)) {
            Traits::Close(old);
        }
    }

private:
    Type m_value = Traits::Empty();
};

struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return nullptr; }
    // CreateFile reports failure with INVALID_HANDLE_VALUE, most others with null.
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::CloseHandle(h); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type Empty() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Type h) { ::FindClose(h); }
};

void CloseWinInetHandle(void* handle);
void CloseWinHttpHandle(void* handle);

struct WinInetHandleTraits {
    using Type = void*;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { CloseWinInetHandle(h); }
};

struct WinHttpHandleTraits {
    using Type = void*;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { CloseWinHttpHandle(h); }
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::RegCloseKey(h); }
};

template <typename T> struct GdiObjectTraits {
    using Type = T;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DeleteObject(h); }
};

// A memory device context from CreateCompatibleDC; a window's DC goes back with ReleaseDC.
struct MemoryDcTraits {
    using Type = HDC;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DeleteDC(h); }
};

struct IconTraits {
    using Type = HICON;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::DestroyIcon(h); }
};

struct LibraryTraits {
    using Type = HMODULE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::FreeLibrary(h); }
};

using ScopedHandle = ScopedResource<KernelHandleTraits>;
using ScopedFindHandle = ScopedResource<FindHandleTraits>;
// HINTERNET of WinINet (InternetOpen, InternetConnect, HttpOpenRequest, InternetOpenUrl).
using ScopedInternetHandle = ScopedResource<WinInetHandleTraits>;
// HINTERNET of WinHTTP (WinHttpOpen and the handles made from it).
using ScopedWinHttpHandle = ScopedResource<WinHttpHandleTraits>;
using ScopedRegistryKey = ScopedResource<RegistryKeyTraits>;
using ScopedBitmap = ScopedResource<GdiObjectTraits<HBITMAP>>;
using ScopedBrush = ScopedResource<GdiObjectTraits<HBRUSH>>;
using ScopedFont = ScopedResource<GdiObjectTraits<HFONT>>;
using ScopedPen = ScopedResource<GdiObjectTraits<HPEN>>;
using ScopedRegion = ScopedResource<GdiObjectTraits<HRGN>>;
using ScopedMemoryDc = ScopedResource<MemoryDcTraits>;
using ScopedIcon = ScopedResource<IconTraits>;
using ScopedLibrary = ScopedResource<LibraryTraits>;

// Selects an object into a DC and puts the previous one back at scope end, so a DC is never
// destroyed with one of our objects still selected.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ object) : m_dc(dc), m_previous(::SelectObject(dc, object)) {}
    ~ScopedSelectObject()
    {
        if (m_previous != nullptr && m_previous != HGDI_ERROR) {
            ::SelectObject(m_dc, m_previous);
        }
    }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_previous;
};

// One CoInitialize paired with its CoUninitialize. A failed initialisation is not paired, but
// S_FALSE (already initialised on this thread) is, as COM requires.
class ScopedComApartment {
public:
    ScopedComApartment() : m_result(::CoInitialize(nullptr)) {}
    ~ScopedComApartment()
    {
        if (SUCCEEDED(m_result)) {
            ::CoUninitialize();
        }
    }
    ScopedComApartment(const ScopedComApartment&) = delete;
    ScopedComApartment& operator=(const ScopedComApartment&) = delete;

    bool Succeeded() const { return SUCCEEDED(m_result); }

private:
    HRESULT m_result;
};

// Owns one reference to a COM interface. Move-only: a copy would need an AddRef that is easy
// to forget, and two owners of one reference release it twice.
template <typename T> class ComPtr {
public:
    ComPtr() = default;
    // Takes over a reference the caller already owns (as returned by CoCreateInstance).
    explicit ComPtr(T* owned) : m_ptr(owned) {}
    ~ComPtr() { Reset(); }

    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : m_ptr(std::exchange(other.m_ptr, nullptr)) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            Reset(std::exchange(other.m_ptr, nullptr));
        }
        return *this;
    }

    T* Get() const { return m_ptr; }
    T* operator->() const { return m_ptr; }
    explicit operator bool() const { return m_ptr != nullptr; }

    // For out-parameters: releases what is held and hands out the slot to fill.
    T** Put()
    {
        Reset();
        return &m_ptr;
    }
    void** PutVoid() { return reinterpret_cast<void**>(Put()); }

    T* Detach() { return std::exchange(m_ptr, nullptr); }

    void Reset(T* owned = nullptr)
    {
        T* old = std::exchange(m_ptr, owned);
        if (old != nullptr) {
            old->Release();
        }
    }

    // A new owner of another interface of the same object; empty when it has none.
    template <typename U> ComPtr<U> As(REFIID iid) const
    {
        ComPtr<U> other;
        if (m_ptr != nullptr) {
            m_ptr->QueryInterface(iid, other.PutVoid());
        }
        return other;
    }

private:
    T* m_ptr = nullptr;
};

} // namespace toolkit
