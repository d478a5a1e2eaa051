#include "file/write_behind_file.h"

#include <algorithm>
#include <cstring>

namespace chimdb {

namespace {

constexpr auto kPage = static_cast<std::int64_t>(WriteBehindFile::kPageSize);

}  // namespace

std::uint8_t* WriteBehindFile::HeldPage(std::int64_t pageNo) {
    Page& page = pages_[pageNo];
    if (!page) {
        page = std::make_unique<std::uint8_t[]>(kPageSize);
        // The underlying bytes, zeros past its end.
        std::size_t read = 0;
        if (pageNo * kPage < baseSize_)
            read = base_.ReadAt(pageNo * kPage, std::span(page.get(), kPageSize));
        std::memset(page.get() + read, 0, kPageSize - read);
    }
    return page.get();
}

std::size_t WriteBehindFile::ReadAt(std::int64_t offset, std::span<std::uint8_t> dst) {
    const std::int64_t end = std::min(offset + static_cast<std::int64_t>(dst.size()), Size());
    std::size_t done = 0;
    for (std::int64_t at = offset; at < end;) {
        const std::int64_t pageNo = at / kPage;
        const std::int64_t within = at - pageNo * kPage;
        const auto length = static_cast<std::size_t>(std::min(kPage - within, end - at));
        auto held = pages_.find(pageNo);
        if (held != pages_.end()) {
            std::memcpy(dst.data() + done, held->second.get() + within, length);
        } else {
            // Not held: the underlying file's bytes (zeros where it ends before this file).
            const std::size_t read =
                at < baseSize_ ? base_.ReadAt(at, dst.subspan(done, length)) : 0;
            std::memset(dst.data() + done + read, 0, length - read);
        }
        done += length;
        at += static_cast<std::int64_t>(length);
    }
    return done;
}

void WriteBehindFile::WriteAt(std::int64_t offset, std::span<const std::uint8_t> src) {
    std::size_t done = 0;
    while (done < src.size()) {
        const std::int64_t at = offset + static_cast<std::int64_t>(done);
        const std::int64_t pageNo = at / kPage;
        const std::int64_t within = at - pageNo * kPage;
        const auto length = std::min(static_cast<std::size_t>(kPage - within), src.size() - done);
        std::memcpy(HeldPage(pageNo) + within, src.data() + done, length);
        done += length;
    }
    size_ = std::max(size_, offset + static_cast<std::int64_t>(src.size()));
}

std::vector<WriteBehindFile::Run> WriteBehindFile::HeldRuns() const {
    std::vector<std::int64_t> pageNos;
    pageNos.reserve(pages_.size());
    for (const auto& [pageNo, page] : pages_)
        pageNos.push_back(pageNo);
    std::sort(pageNos.begin(), pageNos.end());
    std::vector<Run> runs;
    for (std::int64_t pageNo : pageNos) {
        const std::int64_t begin = pageNo * kPage;
        if (begin >= size_)
            break;
        const auto length = static_cast<std::size_t>(std::min(kPage, size_ - begin));
        if (runs.empty() || runs.back().End() != begin)
            runs.push_back(Run{begin, {}});
        runs.back().pages.emplace_back(pages_.at(pageNo).get(), length);
    }
    return runs;
}

std::int64_t WriteBehindFile::Run::End() const {
    std::int64_t end = offset;
    for (const auto& page : pages)
        end += static_cast<std::int64_t>(page.size());
    return end;
}

std::vector<std::span<const std::uint8_t>> WriteBehindFile::Run::Part(std::int64_t from,
                                                                      std::int64_t to) const {
    std::vector<std::span<const std::uint8_t>> parts;
    std::int64_t at = offset;
    for (const auto& page : pages) {
        const std::int64_t end = at + static_cast<std::int64_t>(page.size());
        const std::int64_t begin = std::max(at, from);
        const std::int64_t stop = std::min(end, to);
        if (begin < stop)
            parts.push_back(page.subspan(static_cast<std::size_t>(begin - at),
                                         static_cast<std::size_t>(stop - begin)));
        at = end;
    }
    return parts;
}

void WriteBehindFile::Clear() {
    pages_.clear();
    baseSize_ = base_.Size();
    size_ = baseSize_;
}

}  // namespace chimdb
