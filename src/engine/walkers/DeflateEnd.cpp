#include "engine/walkers/DeflateEnd.h"

#include <zlib.h>

#include <algorithm>

namespace ostrel::walkers {

DeflateEnd::DeflateEnd(int windowBits) : stream_(new z_stream{}), windowBits_(windowBits)
{
    ok_ = inflateInit2(stream_, windowBits_) == Z_OK;
}

DeflateEnd::~DeflateEnd()
{
    if (ok_)
        inflateEnd(stream_);
    delete stream_;
}

void DeflateEnd::reset()
{
    produced_ = 0;
    if (ok_)
        ok_ = inflateReset(stream_) == Z_OK;
}

DeflateEnd::Result DeflateEnd::feed(const uint8_t* data, size_t size, size_t& used)
{
    used = 0;
    if (!ok_)
        return Result::Error;
    while (used < size) {
        // zlib counts in uInt: hand it at most 1 GiB at a time.
        const size_t chunk = std::min<size_t>(size - used, 1u << 30);
        stream_->next_in = const_cast<Bytef*>(data + used);
        stream_->avail_in = static_cast<uInt>(chunk);
        while (stream_->avail_in > 0) {
            stream_->next_out = scratch_.data();
            stream_->avail_out = static_cast<uInt>(scratch_.size());
            const int rc = inflate(stream_, Z_NO_FLUSH);
            produced_ += scratch_.size() - stream_->avail_out;
            const size_t taken = chunk - stream_->avail_in;
            if (rc == Z_STREAM_END) {
                used += taken;
                return Result::End;
            }
            if (rc != Z_OK && rc != Z_BUF_ERROR) {
                used += taken;
                return Result::Error;
            }
            if (rc == Z_BUF_ERROR && stream_->avail_out != 0)
                break; // no progress possible without more input
        }
        used += chunk - stream_->avail_in;
        if (stream_->avail_in > 0)
            break;
    }
    return Result::NeedMore;
}

} // namespace ostrel::walkers
