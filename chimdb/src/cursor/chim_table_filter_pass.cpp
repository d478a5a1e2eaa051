// The filter pass: it holds the file lock in stretches, so that another program that waits to
// write gets in within milliseconds however long the pass runs, and it still answers for one
// state of the table.
#include <zlib.h>

#include <chrono>
#include <unordered_map>
#include <vector>

#include "chimdb/chim_table.h"
#include "chimdb/field_type.h"
#include "file/stretch_clock.h"
#include "table_io/chim_table_io.h"
#include "table_io/table_change_check.h"

namespace chimdb {

namespace {

// Work done between two looks for a program that waits for the lock.
constexpr auto kLockStretch = std::chrono::milliseconds(5);
// A pass that has to start over after every change gives up letting writers in after this
// many, and holds the lock to its end, so that a busy writer cannot keep it from finishing.
constexpr int kMostStartsOver = 8;

std::uint32_t RecordImageCrc(ChimTableIO& table, const RecordRef& ref,
                             std::vector<std::uint8_t>& image) {
    image.resize(static_cast<std::size_t>(table.RecordSize()));
    table.FileIO().ReadExactly(ref.dataOffset, image);
    return static_cast<std::uint32_t>(
        crc32(crc32(0L, Z_NULL, 0), image.data(), static_cast<uInt>(image.size())));
}

// What the pass found out about the records of the cursor list, by position: a byte each
// (most passes never let a writer in and need nothing more), and the checksums of the
// records' stored bytes once a writer is let in.
class FilterVerdicts {
  public:
    explicit FilterVerdicts(std::size_t count) : state_(count, 0) {}
    bool Tested(std::size_t position) const { return (state_[position] & kTested) != 0; }
    bool Accepted(std::size_t position) const { return (state_[position] & kAccepted) != 0; }
    void Set(std::size_t position, bool accepted) {
        state_[position] = static_cast<std::uint8_t>((state_[position] & kImageKnown) | kTested |
                                                     (accepted ? kAccepted : 0));
    }

    // Takes the checksums of the tested records, while they are as they were tested.
    void RememberImages(ChimTableIO& table, const RecordList& list) {
        crc_.resize(state_.size());
        for (std::size_t p = 0; p < state_.size(); ++p) {
            if (Tested(p) && (state_[p] & kImageKnown) == 0) {
                crc_[p] = RecordImageCrc(table, list[p], image_);
                state_[p] |= kImageKnown;
            }
        }
    }

    // The verdicts for a new list: a record whose stored bytes are still those it was tested
    // with keeps its verdict; every other one is untested.
    void CarryOver(ChimTableIO& table, const RecordList& oldList, const RecordList& newList) {
        struct Known {
            std::uint8_t state;
            std::uint32_t crc;
        };
        std::unordered_map<std::int32_t, Known> byRecord;
        for (std::size_t p = 0; p < state_.size(); ++p) {
            if ((state_[p] & kImageKnown) != 0)
                byRecord.emplace(oldList[p].recNo, Known{state_[p], crc_[p]});
        }
        state_.assign(newList.size(), 0);
        crc_.assign(newList.size(), 0);
        for (std::size_t p = 0; p < newList.size(); ++p) {
            auto known = byRecord.find(newList[p].recNo);
            if (known != byRecord.end() &&
                RecordImageCrc(table, newList[p], image_) == known->second.crc) {
                state_[p] = known->second.state;
                crc_[p] = known->second.crc;
            }
        }
    }

  private:
    static constexpr std::uint8_t kTested = 1;
    static constexpr std::uint8_t kAccepted = 2;
    static constexpr std::uint8_t kImageKnown = 4;

    std::vector<std::uint8_t> state_;
    std::vector<std::uint32_t> crc_;
    std::vector<std::uint8_t> image_;
};

}  // namespace

void ChimTable::RetakeBaseList() {
    LoadCursorList();
    if (rangeActive_)
        CutToRange();
}

// A verdict depends on the record's own fixed fields alone unless an event, calculated
// fields or a blob field take part; then it holds while the record's bytes stay as they were.
bool ChimTable::VerdictFollowsRecordBytes() const {
    if (OnFilterRecord || HasCalcFields() || Filter().empty() || !FilterParsedByLanguage())
        return false;
    const auto& fields = tableIO_->Header().fields;
    for (int fieldNo : FilterFieldNumbers()) {
        if (fieldNo < 0 || static_cast<std::size_t>(fieldNo) >= fields.size() ||
            IsBlobType(fields[static_cast<std::size_t>(fieldNo)].fieldType))
            return false;
    }
    return true;
}

// Under the file lock, right after the table was brought in step with the file (SyncWithFile),
// so that the pass starts from one state. Every few milliseconds it looks whether another program
// waits for the lock; if one does, it lets it in and, when the table changed meanwhile,
// takes the lists again: a record tested before whose stored bytes are unchanged keeps its
// verdict, every other record of the new list is tested in the new state. So the answer is
// the filter applied to the table as it was in the pass's last stretch.
void ChimTable::RunFilterPass() {
    ChimDBFileIO& io = tableIO_->FileIO();
    TableChangeCheck check(*tableIO_);
    RetakeBaseList();
    check.Look();
    const bool carriesOver = VerdictFollowsRecordBytes();
    // Such a filter reads the record's own fields only: it reads them where they are kept,
    // without filling the filter buffer.
    const bool readsStoredFields = carriesOver;
    FilterVerdicts verdicts(cursorList_.size());
    int startsOver = 0;
    StretchClock stretch(kLockStretch);
    std::size_t i = 0;
    while (i < cursorList_.size()) {
        if (stretch.StretchOver()) {
            if ((carriesOver || startsOver < kMostStartsOver) && io.OthersWaitForLock()) {
                if (carriesOver)
                    verdicts.RememberImages(*tableIO_, cursorList_);
                if (io.LetWaitersIn() && check.ChangedSinceLook()) {
                    const RecordList tested = cursorList_;
                    tableIO_->ReloadFromFile();
                    RetakeBaseList();
                    if (carriesOver)
                        verdicts.CarryOver(*tableIO_, tested, cursorList_);
                    else
                        verdicts = FilterVerdicts(cursorList_.size());
                    ++startsOver;
                    i = 0;
                }
                check.Look();
            }
            stretch.Restart();
            continue;
        }
        if (!verdicts.Tested(i)) {
            if (readsStoredFields) {
                verdicts.Set(i, TestStoredRecord(tableIO_->FieldsOf(cursorList_[i])));
            } else {
                ReadRecordData(FilterBuffer(), static_cast<std::int32_t>(i));
                verdicts.Set(i, TestFilterRecord());
            }
            if (OnFilterProgress)
                OnFilterProgress(*this,
                                 static_cast<int>(static_cast<std::int64_t>(i) * 100 /
                                                  static_cast<std::int64_t>(cursorList_.size())));
        }
        ++i;
    }
    // The accepted records, kept in place.
    std::size_t kept = 0;
    for (std::size_t p = 0; p < cursorList_.size(); ++p) {
        if (verdicts.Accepted(p))
            cursorList_[kept++] = cursorList_[p];
    }
    if (kept != cursorList_.size()) {
        cursorList_.resize(kept);
        listVersion_ = -1;
    }
}

}  // namespace chimdb
