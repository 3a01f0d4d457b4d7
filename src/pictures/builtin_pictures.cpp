#include "pictures/builtin_pictures.h"

#include <mutex>

#include "pictures/gif_decoder.h"
#include "pictures/memory_stream.h"

namespace faceloom {

namespace {

struct TSharedPictures {
    std::mutex Lock;
    TPictureDecoder* Missing = nullptr;  // 101
    TPictureDecoder* Failed = nullptr;   // 102
};

TSharedPictures& Shared() {
    static TSharedPictures shared;
    return shared;
}

}  // namespace

std::span<const uint8_t> BuiltinResourceData(int32_t Id) {
    for (const TBuiltinResource& resource : BuiltinResources()) {
        if (resource.Id == Id) return {resource.Data, resource.Size};
    }
    return {};
}

TPictureDecoder* CreateBuiltinPicture(int32_t Id) {
    const std::span<const uint8_t> data = BuiltinResourceData(Id);
    if (data.empty()) return nullptr;
    // The resource stream lives only for the decoding.
    TMemoryStream stream(data.data(), data.size());
    auto* picture = new TGifDecoder(stream);
    try {
        picture->WantSmileBitmaps = true;
        picture->WantTransparent = true;
        picture->Decode();
    } catch (...) {
        picture->Release();  // nobody holds it yet: this destroys it
        throw;
    }
    return picture;
}

TPictureDecoder* BuiltinPicture(int32_t Id) {
    TSharedPictures& shared = Shared();
    TPictureDecoder** slot = Id == kPictureMissing  ? &shared.Missing
                             : Id == kPictureFailed ? &shared.Failed
                                                    : nullptr;
    if (slot == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(shared.Lock);
    if (*slot == nullptr) {
        TPictureDecoder* picture = CreateBuiltinPicture(Id);
        if (picture != nullptr) picture->AddRef();  // the extra reference that keeps it
        *slot = picture;
    }
    return *slot;
}

void ReleaseBuiltinPictures() {
    TSharedPictures& shared = Shared();
    std::lock_guard<std::mutex> lock(shared.Lock);
    for (TPictureDecoder** slot : {&shared.Missing, &shared.Failed}) {
        if (*slot != nullptr) (*slot)->Release();
        *slot = nullptr;
    }
}

}  // namespace faceloom
