// Saves what a window shows on the screen as a 24-bit BMP file, for the README's pictures.
#pragma once

#include <windows.h>

#include <fstream>
#include <string>

#include "wine_support.h"

namespace wine_support {

// The folder the test run leaves its pictures in: "screenshots" beside the bin folder. A
// picture taken at another resolution than 96 DPI says which, as in "grenwick-144dpi".
inline std::string ScreenshotPath(const std::string& name) {
    std::string folder = BinDir() + "..\\screenshots";
    CreateDirectoryA(folder.c_str(), nullptr);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const std::string suffix = dpi == USER_DEFAULT_SCREEN_DPI ? "" : "-" + std::to_string(dpi) + "dpi";
    return folder + "\\" + name + suffix + ".bmp";
}

// The caption is drawn as the active window's first, as a player sees it: a test process
// started without a window manager need not own the active window.
inline bool SaveScreenshot(HWND hwnd, const std::string& path) {
    SendMessageA(hwnd, WM_NCACTIVATE, TRUE, 0);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    RECT rect;
    GetWindowRect(hwnd, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, previous);

    BITMAPINFOHEADER info{};
    info.biSize = sizeof(info);
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::string pixels(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(height), '\0');
    const int rows = GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(),
                               reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (rows != height)
        return false;

    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof(header) + sizeof(info);
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&header), sizeof(header));
    out.write(reinterpret_cast<const char*>(&info), sizeof(info));
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(out);
}

}  // namespace wine_support
