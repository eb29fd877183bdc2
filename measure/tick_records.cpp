#include "measure/tick_records.h"

void KeepTickRecord(TickRecords& records, const TickRecord& record) {
    if (records.ring.size() < MostTickRecords) {
        records.ring.push_back(record);
        return;
    }
    records.ring[records.oldest] = record;
    records.oldest = (records.oldest + 1) % records.ring.size();
    ++records.dropped;
}

std::size_t TickRecordCount(const TickRecords& records) {
    return records.ring.size();
}

const TickRecord& TickRecordAt(const TickRecords& records, std::size_t index) {
    return records.ring[(records.oldest + index) % records.ring.size()];
}
