// A picture as a PNG file through the Windows Imaging Component, reached through COM alone, so
// that the program imports no DLL beyond ole32.
#include <windows.h>

#include <objbase.h>
#include <wincodec.h>

#include <vector>

#include "platform/win32/drawing_internal.h"

namespace {

// Named here rather than linked from a library: the first factory's class (Windows 7 on, and
// Wine), the PNG container and the pixel format the encoder is given.
const CLSID ImagingFactoryClass = {
    0xcacaf262, 0x9370, 0x4615, {0xa1, 0x3b, 0x9f, 0x55, 0x39, 0xda, 0x4c, 0x0a}};
const GUID PngContainer = {
    0x1b7cfaf4, 0x713f, 0x473c, {0xbb, 0xcd, 0x61, 0x37, 0x42, 0x5f, 0xae, 0xaf}};
const GUID PixelFormat24BitBgr = {
    0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, 0x0c}};
const IID ImagingFactoryInterface = {
    0xec5ec8a9, 0xc395, 0x4314, {0x9c, 0x77, 0x54, 0xd7, 0xa9, 0x35, 0xff, 0x70}};

template <typename Interface> void Release(Interface*& object) {
    if (object)
        object->Release();
    object = nullptr;
}

// The picture's rows as 3 bytes a pixel (blue, green, red), each row padded to 4 bytes.
std::vector<BYTE> Rows24(const Picture& picture, UINT& stride) {
    stride = (static_cast<UINT>(picture.width) * 3 + 3) & ~3u;
    std::vector<BYTE> rows(static_cast<std::size_t>(stride) * picture.height);
    for (int y = 0; y < picture.height; ++y) {
        const unsigned char* from = picture.bits + static_cast<std::size_t>(y) * picture.width * 4;
        BYTE* to = rows.data() + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < picture.width; ++x) {
            to[3 * x] = from[4 * x];
            to[3 * x + 1] = from[4 * x + 1];
            to[3 * x + 2] = from[4 * x + 2];
        }
    }
    return rows;
}

// The stream's whole content.
std::string StreamBytes(IStream* stream) {
    HGLOBAL memory = nullptr;
    STATSTG status{};
    if (FAILED(GetHGlobalFromStream(stream, &memory)) ||
        FAILED(stream->Stat(&status, STATFLAG_NONAME)))
        return std::string();
    const void* bytes = GlobalLock(memory);
    if (!bytes)
        return std::string();
    std::string copy(static_cast<const char*>(bytes),
                     static_cast<std::size_t>(status.cbSize.QuadPart));
    GlobalUnlock(memory);
    return copy;
}

std::string Encode(IWICImagingFactory* factory, const Picture& picture) {
    IStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    IPropertyBag2* options = nullptr;
    std::string bytes;
    WICPixelFormatGUID format = PixelFormat24BitBgr;
    UINT stride = 0;
    std::vector<BYTE> rows = Rows24(picture, stride);
    if (SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
        SUCCEEDED(factory->CreateEncoder(PngContainer, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, &options)) &&
        SUCCEEDED(frame->Initialize(options)) &&
        SUCCEEDED(frame->SetSize(static_cast<UINT>(picture.width),
                                 static_cast<UINT>(picture.height))) &&
        SUCCEEDED(frame->SetPixelFormat(&format)) && IsEqualGUID(format, PixelFormat24BitBgr) &&
        SUCCEEDED(frame->WritePixels(static_cast<UINT>(picture.height), stride,
                                     static_cast<UINT>(rows.size()), rows.data())) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit()))
        bytes = StreamBytes(stream);
    Release(options);
    Release(frame);
    Release(encoder);
    Release(stream);
    return bytes;
}

} // namespace

std::string EncodePng(const Picture& picture) {
    // COM for this call alone; a thread that has it already keeps it as it was.
    const HRESULT initialized = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    std::string bytes;
    if (SUCCEEDED(CoCreateInstance(ImagingFactoryClass, nullptr, CLSCTX_INPROC_SERVER,
                                   ImagingFactoryInterface, reinterpret_cast<void**>(&factory)))) {
        bytes = Encode(factory, picture);
        Release(factory);
    }
    if (SUCCEEDED(initialized))
        CoUninitialize();
    return bytes;
}
