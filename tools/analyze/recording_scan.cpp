#include "tools/analyze/recording_scan.h"

#include <algorithm>

namespace tensikon {

std::optional<std::size_t> RecordingScanner::pluckIn(std::span<const std::uint8_t> block)
{
    if (test_ == PluckTest::Level)
        return pluckInBlock(block, block.size());
    return automaticPluck(onsets_.scan(block, block.size()));
}

double blockStartSeconds(std::size_t index)
{
    return secondsOf(index * kCaptureBlockBytes);
}

RecordingScanner::RecordingScanner(bool all, std::size_t holdBlocks, PluckTest test)
    : all_(all), holdBlocks_(holdBlocks), test_(test)
{
    held_.reserve(kAnalysisBufferBytes);
}

// Whole blocks are scanned where they lie; only a block split between two
// pieces, or a pluck's block waiting for the next, is copied into held_.
void RecordingScanner::feed(std::span<const std::uint8_t> piece)
{
    while (!piece.empty() && !done_) {
        if (skipBytes_ > 0) {
            const std::size_t n = std::min(skipBytes_, piece.size());
            piece = piece.subspan(n);
            skipBytes_ -= n;
        } else if (held_.empty() && piece.size() >= kCaptureBlockBytes) {
            takeWhole(piece);
        } else {
            takeSome(piece);
        }
    }
}

void RecordingScanner::takeWhole(std::span<const std::uint8_t>& piece)
{
    const auto pluck = pluckIn(piece.first(kCaptureBlockBytes));
    if (!pluck) {
        piece = piece.subspan(kCaptureBlockBytes);
        ++block_;
        return;
    }
    pluckOffset_ = *pluck;
    if (piece.size() >= kAnalysisBufferBytes) {
        capture(piece.first<kAnalysisBufferBytes>());
        piece = piece.subspan(kAnalysisBufferBytes);
    } else {
        held_.assign(piece.begin(), piece.end());
        pluckPending_ = true;
        piece = {};
    }
}

void RecordingScanner::takeSome(std::span<const std::uint8_t>& piece)
{
    const std::size_t goal = pluckPending_ ? kAnalysisBufferBytes : kCaptureBlockBytes;
    const std::size_t n = std::min(goal - held_.size(), piece.size());
    held_.insert(held_.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n));
    piece = piece.subspan(n);
    if (held_.size() < goal)
        return;
    if (pluckPending_) {
        capture(std::span(held_).first<kAnalysisBufferBytes>());
    } else if (const auto pluck = pluckIn(held_)) {
        pluckOffset_ = *pluck;
        pluckPending_ = true;
    } else {
        held_.clear();
        ++block_;
    }
}

void RecordingScanner::capture(std::span<const std::uint8_t, kAnalysisBufferBytes> buffer)
{
    RecordingCapture c;
    c.pluckBlock = block_;
    c.seconds = blockStartSeconds(block_);
    Measurement m = measureCaptureFrom(buffer, pluckOffset_);
    c.estimate = m.crossings;
    c.pitch = m.pitch;
    c.shown = m.shown;
    c.reason = reasonFor(m);
    captures_.push_back(c);
    held_.clear();
    pluckPending_ = false;
    block_ += 2 + holdBlocks_; // the two blocks of the buffer, then the hold time
    skipBytes_ = holdBlocks_ * kCaptureBlockBytes;
    onsets_.reset(); // the next recording starts after the hold time
    done_ = !all_;
}

void RecordingScanner::tooClose()
{
    RecordingCapture c;
    c.pluckBlock = block_;
    c.seconds = blockStartSeconds(block_);
    c.tooCloseToEnd = true;
    captures_.push_back(c);
}

void RecordingScanner::finish()
{
    if (done_)
        return;
    if (pluckPending_ || (!held_.empty() && pluckIn(held_)))
        tooClose();
    held_.clear();
    done_ = true;
}

std::vector<RecordingCapture> scanRecording(std::span<const std::uint8_t> pcm, bool all,
                                            std::size_t holdBlocks, PluckTest test)
{
    RecordingScanner scanner(all, holdBlocks, test);
    scanner.feed(pcm);
    scanner.finish();
    return scanner.captures();
}

} // namespace tensikon
