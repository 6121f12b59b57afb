// The frames of an animation that one control shows in turn as its background image. Decoding a
// frame from its file costs more than painting the whole window, and each frame shows only for a
// moment, so the frames are decoded once, by a worker thread that runs ahead of the animation, at
// the size and the place the control draws them, and kept as one compact strip: each frame holds
// only the pixels in which it differs from the frame before. Drawing a frame replays its pixels
// into one frame-sized bitmap and blends that 1:1; a frame the worker has not reached yet is drawn
// from its file as any image is. The worker premultiplies as the image cache does and scales with the
// window's own settings at the control's own place, so a frame looks exactly as if drawn directly.
#pragma once

#include "duilib/UIRender.h"

#include <cstddef>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace DuiLib::Render {

class ImageStrip {
public:
    // `names`: the frames as SetBkImage is given them (plain file names relative to the resource
    // folder); `paths`: their full paths. Nothing is decoded before the first Draw.
    ImageStrip(std::vector<std::wstring> names, std::vector<std::wstring> paths);
    // Stops the worker and waits for it: it never outlives the strip, nor GDI+.
    ~ImageStrip();
    ImageStrip(const ImageStrip&) = delete;
    ImageStrip& operator=(const ImageStrip&) = delete;

    // Sets the worker going for frames drawn into `rc` (client pixels), unless it works for that
    // rectangle already: called at every paint of the control, whichever image it shows, so the
    // worker starts with the first paint and again after a layout or DPI change.
    void Prepare(const RECT& rc);
    // Draws the frame called `name` into `rc` and returns true when it is one of the strip's and
    // has been decoded for that rectangle; false leaves the drawing to the caller.
    [[nodiscard]] bool Draw(Gdiplus::Graphics& g, const RECT& rc, const std::wstring& name);
    // Frames decoded so far, and the bytes the strip holds (the frames and the replay bitmap).
    [[nodiscard]] std::size_t ReadyFrames() const;
    [[nodiscard]] std::size_t Bytes() const;

private:
    // A 32-bit bitmap in a memory DC of its own (the replay bitmap; the worker's scaling bitmap).
    class Canvas;

    void Start(const RECT& rc);
    void Decode(const std::stop_token& stop, RECT rc);
    // Brings the replay bitmap to frame `index`; false when it is not decoded yet.
    [[nodiscard]] bool Show(std::size_t index);

    std::vector<std::wstring> m_names;
    std::vector<std::wstring> m_paths;
    RECT m_place{}; // what the worker decodes for
    mutable std::mutex m_mutex;
    // Per frame, the pixels that differ from the frame before (from nothing, for the first) as runs:
    // offset, count, then that many premultiplied pixels. Appended by the worker under m_mutex.
    std::vector<std::vector<DWORD>> m_frames;
    std::unique_ptr<Canvas> m_shown; // the frame last replayed (UI thread only)
    std::size_t m_shownIndex = 0;
    bool m_showsFrame = false;
    std::jthread m_worker; // last member: stopped and joined before the rest goes
};

} // namespace DuiLib::Render
