// bench_pack_memory: the memory an open pack adds to the editor's process, and what a switch
// from one pack to another costs, each measured once in a fresh process (bench/memory_bench.sh
// runs it several times and takes medians).
//
//   bench_pack_memory memory PACK [--deferred]
//     Opens a one-smile pack and closes it (so code and the allocator's first pages are in),
//     then opens PACK as the editor does (decoding under the open, or with --deferred on the
//     model's decoding thread as at start-up, waited for) and prints:
//       frames   bytes the frames hold under the editor rule: per frame its pixels (8-bit
//                rows padded to 4 bytes, or 32-bit) and its 1-bit mask, plus every colour
//                header (palette) once however many frames share it
//       anon     growth of RssAnon (the process's anonymous resident memory)
//       rss      growth of VmRSS
//       heap     growth of the bytes malloc has handed out and not got back (all arenas)
//       ratio    anon / frames
//       held     bytes of the distinct buffers the frames hold (pixels, and each shared colour
//                header, mask header and mask once): below frames where masks are shared
//   bench_pack_memory switch PACK OTHER
//     Opens OTHER, then times OpenPack(PACK) (the switch) with the peak resident memory over
//     it; then closes the pack and times OpenPack(PACK) from an empty pack (the open alone).
//     The two orders alternate by --first open|switch so that neither always runs on a
//     warmer cache.
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "model/define_decoder.h"
#include "pictures/gif_decoder.h"
#include "pictures/smile_bitmap32.h"
#include "pictures/smile_bitmap8.h"
#include "support/bench_root.h"
#include "support/bench_smile.h"
#include "support/gif_writer.h"

namespace {

using namespace faceloom;

// A field of /proc/self/status in bytes ("VmRSS", "RssAnon", "VmHWM").
long StatusBytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t length = std::strlen(field);
    while (std::getline(status, line)) {
        if (line.compare(0, length, field) == 0 && line[length] == ':')
            return std::atol(line.c_str() + length + 1) * 1024;
    }
    return -1;
}

// Bytes malloc has handed out: small blocks of every arena plus mmapped ones.
long HeapBytes() {
    const struct mallinfo2 info = mallinfo2();
    return long(info.uordblks + info.hblkhd);
}

// Calls visit with every allocated frame of the current pack's decoded pictures.
template <class F>
void ForEachFrame(const TDefineDecoder& model, F visit) {
    for (int32_t i = 0; i < model.SmileCount(); ++i) {
        TRef<TPictureDecoder> picture = model.Smile(i)->PictureRef();
        if (!picture) continue;
        for (const auto& object : picture->Frames) {
            const auto* frame = dynamic_cast<const TSmileBitmap*>(object.get());
            if (frame && frame->Allocated) visit(*frame);
        }
    }
}

// The bytes of the distinct buffers the current pack's frames hold (shared ones once).
long HeldBytes(const TDefineDecoder& model) {
    long bytes = 0;
    std::set<const uint8_t*> shared;
    ForEachFrame(model, [&](const TSmileBitmap& frame) {
        if (const auto* f8 = dynamic_cast<const TSmileBitmap8*>(&frame)) bytes += long(f8->Pixels.size());
        if (const auto* f32 = dynamic_cast<const TSmileBitmap32*>(&frame))
            bytes += 4 * long(f32->Pixels.size());
        for (const TSharedBytes* buffer : {&frame.Header, &frame.MaskHeader, &frame.MaskBits}) {
            if (shared.insert(buffer->data()).second) bytes += long(buffer->size());
        }
    });
    return bytes;
}

// The editor rule's size of the current pack's frames (see the header comment).
long RuleBytes(const TDefineDecoder& model) {
    long bytes = 0;
    std::set<const uint8_t*> headers;
    ForEachFrame(model, [&](const TSmileBitmap& frame) {
        if (const auto* f8 = dynamic_cast<const TSmileBitmap8*>(&frame)) {
            bytes += long((f8->Width + 3) & ~3) * f8->Height;
            if (headers.insert(f8->Header.data()).second) bytes += 40 + 4 * f8->PaletteCount;
        } else {
            bytes += 4L * frame.Width * frame.Height;
        }
        if (frame.HasMask) bytes += long(((frame.Width + 7) / 8 + 3) & ~3) * frame.Height;
    });
    return bytes;
}

void SetUp(TDefineDecoder& model) {
    model.SetBothMode(false);
    model.SetCurrentPack(kAnimatedPack);
    model.LoadFromStorage();
}

bool Open(TDefineDecoder& model, const std::string& pack) {
    if (!model.OpenPack(pack + "/_define.ini")) {
        std::fprintf(stderr, "bench_pack_memory: cannot open %s\n", pack.c_str());
        return false;
    }
    model.FinishDecoding();
    return true;
}

int Memory(const std::string& pack, bool deferred, const std::string& root) {
    // A one-smile pack first, in the other mode's storage: what the first open sets up once
    // (code, the allocator's arenas, the decoding thread) is not the pack's.
    const std::string tiny = root + "tiny";
    std::filesystem::create_directories(tiny);
    std::mt19937 random(7);
    test::WriteGifFile(tiny + "/smile.gif", MakeBenchSmile(random));
    std::ofstream(tiny + "/_define.ini", std::ios::binary) << ":a:\r\n";
    if (deferred) {
        // Start-up decodes the pack left open in the storage on the model's thread; opening
        // decodes under the open (the staging folder it would read from is renamed at once).
        TDefineDecoder previous("Storage");
        SetUp(previous);
        if (!Open(previous, pack)) return 1;
    }
    TDefineDecoder warm("Coatwright");
    SetUp(warm);
    warm.SetDeferredDecoding(deferred);
    if (!Open(warm, tiny) || !warm.ClosePack()) return 1;

    TDefineDecoder model("Storage");
    model.SetDeferredDecoding(deferred);
    malloc_trim(0);
    const long anon0 = StatusBytes("RssAnon"), rss0 = StatusBytes("VmRSS"), heap0 = HeapBytes();
    if (deferred) {
        SetUp(model);
        model.FinishDecoding();
    } else {
        SetUp(model);
        if (!Open(model, pack)) return 1;
    }
    const long anon = StatusBytes("RssAnon") - anon0;
    const long rss = StatusBytes("VmRSS") - rss0;
    const long heap = HeapBytes() - heap0;
    const long frames = RuleBytes(model);
    int missing = 0;
    for (int32_t i = 0; i < model.SmileCount(); ++i) missing += model.Smile(i)->Picture.load() == nullptr;
    if (missing != 0) {
        std::fprintf(stderr, "bench_pack_memory: %d smiles without picture\n", missing);
        return 1;
    }
    std::printf("smiles %d frames %ld anon %ld rss %ld heap %ld ratio %.3f held %ld\n", model.SmileCount(),
                frames, anon, rss, heap, double(anon) / double(frames), HeldBytes(model));
    return 0;
}

// Seconds of OpenPack(pack) with its decoding; peak: the highest resident size meanwhile.
double TimedOpen(TDefineDecoder& model, const std::string& pack, long& peak) {
    // Writing 5 to clear_refs starts VmHWM again from the present resident size.
    std::ofstream("/proc/self/clear_refs") << "5";
    const auto start = std::chrono::steady_clock::now();
    if (!Open(model, pack)) return -1;
    const double seconds = Seconds(start);
    peak = StatusBytes("VmHWM");
    return seconds;
}

int Switch(const std::string& pack, const std::string& other, bool openFirst) {
    TDefineDecoder model("Storage");
    SetUp(model);
    malloc_trim(0);
    const long empty = StatusBytes("VmRSS");
    double open = 0, sw = 0;
    long openPeak = 0, switchPeak = 0, held = 0, after = 0;
    auto openAlone = [&] {
        model.ClosePack();
        malloc_trim(0);
        open = TimedOpen(model, pack, openPeak);
    };
    if (openFirst) openAlone();
    if (!Open(model, other)) return 1;
    malloc_trim(0);
    held = StatusBytes("VmRSS");
    sw = TimedOpen(model, pack, switchPeak);
    after = StatusBytes("VmRSS");
    if (!openFirst) openAlone();
    if (open < 0 || sw < 0) return 1;
    // Sizes over the empty editor: the pack held before the switch, the highest point of the
    // switch, and the new pack held after it. A switch that held both packs at once would
    // peak near held + after.
    std::printf(
        "open %.4f switch %.4f ratio %.3f open_peak %ld held %ld switch_peak %ld after %ld peak_ratio %.3f\n",
        open, sw, sw / open, openPeak - empty, held - empty, switchPeak - empty, after - empty,
        double(switchPeak - empty) / double(std::max(held, after) - empty));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    const std::string root = MakeBenchRoot("memory");
    int result = 2;
    if (mode == "memory" && argc >= 3) {
        result = Memory(argv[2], argc > 3 && std::strcmp(argv[3], "--deferred") == 0, root);
    } else if (mode == "switch" && argc >= 4) {
        result = Switch(argv[2], argv[3], argc > 5 && std::strcmp(argv[5], "open") == 0);
    } else {
        std::fprintf(stderr,
                     "usage: bench_pack_memory memory PACK [--deferred]\n"
                     "       bench_pack_memory switch PACK OTHER [--first open|switch]\n");
    }
    std::filesystem::remove_all(root);
    return result;
}
