// Record numbers, bookmarks and the find operations of the table cursor.
#include <cstring>

#include "chimdb/chim_table.h"
#include "dataset/data_source.h"
#include "dataset/record_buffer.h"
#include "file/scope_exit.h"
#include "table_io/chim_table_io.h"

namespace chimdb {

namespace {

constexpr std::size_t kBookmarkSize = 4;

}  // namespace

void ChimTable::MoveToPosition(std::int32_t position) {
    position_ = position;
    Resync();
    NotifyDataSources(DataEvent::RecordChanged);
    Fire(AfterScroll);
}

// ---- record numbers ----

std::int32_t ChimTable::RecNo() const {
    if (position_ < 0)
        return RecordCount() > 0 ? 1 : 0;
    return position_ + 1;
}

// Numbers below 1 are ignored too: 0 would leave no record at the position, and the
// re-read would then fall back to the last record.
void ChimTable::SetRecNo(std::int32_t recNo) {
    CheckBrowseMode();
    if (recNo < 1 || recNo > RecordCount() || recNo == RecNo())
        return;
    Fire(BeforeScroll);
    MoveToPosition(recNo - 1);
}

// ---- bookmarks ----

Bookmark ChimTable::GetBookmark() {
    const bool marked = (State() == DataSetState::dsBrowse || State() == DataSetState::dsEdit) &&
                        HasRecord() && CurrentBuffer() != nullptr;
    if (!marked)
        return {};
    const std::int32_t recNo = CurrentBuffer()->Bookmark();
    Bookmark bookmark(kBookmarkSize);
    for (std::size_t i = 0; i < kBookmarkSize; ++i)
        bookmark[i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(recNo) >> (8 * i));
    return bookmark;
}

std::int32_t ChimTable::FindRecNo(std::int32_t recNo) const {
    for (std::size_t i = 0; i < cursorList_.size(); ++i) {
        if (cursorList_[i].recNo == recNo)
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

namespace {

// The record number a bookmark holds; -1 (no record has it) for anything that is not one.
std::int32_t RecNoOf(const Bookmark& bookmark) {
    if (bookmark.size() != kBookmarkSize)
        return -1;
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < kBookmarkSize; ++i)
        value |= static_cast<std::uint32_t>(bookmark[i]) << (8 * i);
    return static_cast<std::int32_t>(value);
}

}  // namespace

bool ChimTable::BookmarkValid(const Bookmark& bookmark) const {
    if (!Active())
        return false;
    const std::int32_t recNo = RecNoOf(bookmark);
    return recNo >= 0 && FindRecNo(recNo) >= 0;
}

void ChimTable::GotoBookmark(const Bookmark& bookmark) {
    CheckBrowseMode();
    const std::int32_t recNo = RecNoOf(bookmark);
    const std::int32_t position = recNo >= 0 ? FindRecNo(recNo) : -1;
    if (position < 0)
        RaiseError("Bookmark not found");
    Fire(BeforeScroll);
    MoveToPosition(position);
}

// ---- find operations ----

// Each record is read into the filter buffer, where the filter expression looks, so the
// record on show stays untouched until one is found.
bool ChimTable::FindRecord(Direction direction) {
    CheckBrowseMode();
    Fire(BeforeScroll);
    found_ = false;
    const std::int32_t count = RecordCount();
    std::int32_t at = 0;
    switch (direction) {
        case Direction::fromFirst:
            at = 0;
            break;
        case Direction::forward:
            at = std::max(position_, -1) + 1;
            break;
        case Direction::backward:
            at = std::min(position_, count) - 1;
            break;
        case Direction::fromLast:
            at = count - 1;
            break;
    }
    const int step = direction == Direction::fromFirst || direction == Direction::forward ? 1 : -1;
    std::int32_t foundAt = -1;
    {
        ParseFilter();
        const DataSetState saved = State();
        SetState(DataSetState::dsFilter);
        ScopeExit restore([&] { SetState(saved); });
        for (; at >= 0 && at < count; at += step) {
            ReadRecordData(FilterBuffer(), at);
            if (TestFilterRecord()) {
                foundAt = at;
                break;
            }
        }
    }
    if (foundAt < 0)
        return false;
    found_ = true;
    MoveToPosition(foundAt);
    return true;
}

}  // namespace chimdb
