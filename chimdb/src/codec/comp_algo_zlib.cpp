#include "codec/comp_algo_zlib.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "chimdb/database_error.h"

namespace chimdb {
namespace {

constexpr std::size_t kLengthWordSize = 4;
constexpr std::size_t kBufferSize = 65536;
// deflate never expands better than about 1032:1, so a stream of L bytes cannot hold more
// than this many bytes per input byte (plus a small allowance for the header).
constexpr std::uint64_t kMaxInflateRatio = 1032;

void PutInt32(std::vector<std::uint8_t>& out, std::int32_t value) {
    auto bits = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
}

std::int32_t GetInt32(const std::uint8_t* p) {
    std::uint32_t bits = std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) |
                         (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
    return static_cast<std::int32_t>(bits);
}

// Owns a deflate or inflate state and ends it however the function is left.
class ZStream {
  public:
    explicit ZStream(bool deflating) : deflating_(deflating) { std::memset(&z_, 0, sizeof z_); }
    ~ZStream() {
        if (started_)
            deflating_ ? deflateEnd(&z_) : inflateEnd(&z_);
    }
    z_stream& Get() { return z_; }
    void Started() { started_ = true; }

  private:
    z_stream z_;
    bool deflating_;
    bool started_ = false;
};

}  // namespace

int CompAlgo_Zlib::ZlibLevel(int level) {
    switch (level) {
        case 0:
            return 9;
        case 1:
            return Z_DEFAULT_COMPRESSION;
        case 2:
        case 3:
            return 1;
        default:
            return 0;
    }
}

void CompAlgo_Zlib::EncodeStream(std::span<const std::uint8_t> src,
                                 std::vector<std::uint8_t>& dst) {
    dst.clear();
    if (src.empty()) {
        FireEncodeProgress(0);
        return;
    }
    if (src.size() > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max()))
        RaiseError("General error");
    const auto length = static_cast<std::int32_t>(src.size());

    ZStream stream(true);
    z_stream& z = stream.Get();
    if (deflateInit(&z, ZlibLevel(level_)) != Z_OK)
        RaiseError("error");
    stream.Started();

    PutInt32(dst, length);
    std::vector<std::uint8_t> buffer(kBufferSize);
    std::size_t consumed = 0;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        const std::size_t take = std::min(kBufferSize, src.size() - consumed);
        z.next_in = const_cast<Bytef*>(src.data() + consumed);
        z.avail_in = static_cast<uInt>(take);
        const int flush = consumed + take == src.size() ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = buffer.data();
            z.avail_out = static_cast<uInt>(buffer.size());
            status = deflate(&z, flush);
            if (status == Z_STREAM_ERROR)
                RaiseError("error");
            dst.insert(dst.end(), buffer.data(), buffer.data() + (buffer.size() - z.avail_out));
        } while (z.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
        consumed += take;
        FireEncodeProgress(Percent(consumed, src.size()));
    }

    // Data that does not shrink is stored as it is, marked by a negative length.
    if (dst.size() - kLengthWordSize >= src.size()) {
        dst.clear();
        PutInt32(dst, -length);
        dst.insert(dst.end(), src.begin(), src.end());
    }
}

void CompAlgo_Zlib::DecodeStream(std::span<const std::uint8_t> src,
                                 std::vector<std::uint8_t>& dst) {
    dst.clear();
    if (src.empty()) {
        FireDecodeProgress(0);
        return;
    }
    if (src.size() < kLengthWordSize)
        RaiseError("Stream read error");
    const std::int32_t length = GetInt32(src.data());
    const std::span<const std::uint8_t> data = src.subspan(kLengthWordSize);
    if (length < 0) {
        dst.assign(data.begin(), data.end());
        FireDecodeProgress(100);
        return;
    }
    // A hostile length must not make us allocate far more than the data could ever give.
    if (static_cast<std::uint64_t>(length) > (data.size() + 1) * kMaxInflateRatio)
        RaiseError("Stream read error");
    if (length == 0) {
        FireDecodeProgress(100);
        return;
    }

    ZStream stream(false);
    z_stream& z = stream.Get();
    if (inflateInit(&z) != Z_OK)
        RaiseError("error");
    stream.Started();

    dst.resize(static_cast<std::size_t>(length));
    z.next_out = dst.data();
    z.avail_out = static_cast<uInt>(dst.size());
    std::size_t consumed = 0;
    while (z.avail_out > 0) {
        if (consumed == data.size())
            RaiseError("Stream read error");
        const std::size_t take = std::min(kBufferSize, data.size() - consumed);
        z.next_in = const_cast<Bytef*>(data.data() + consumed);
        z.avail_in = static_cast<uInt>(take);
        while (z.avail_in > 0 && z.avail_out > 0) {
            const int status = inflate(&z, Z_NO_FLUSH);
            if (status == Z_STREAM_END && z.avail_out > 0)
                RaiseError("Stream read error");
            if (status == Z_STREAM_END)
                break;
            if (status != Z_OK)
                RaiseError("error");
        }
        consumed += take - z.avail_in;
        FireDecodeProgress(Percent(consumed, data.size()));
        if (z.avail_in > 0)
            break;  // all N bytes are out
    }
}

}  // namespace chimdb
