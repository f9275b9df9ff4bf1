// What a mapper hangs on the host's mapping records (imapHw2Vuq::apmData), owned by
// the mapper through this holder. Going away, the holder frees its values but never
// touches the records: the host may have freed them already.
#pragma once

#include <map>
#include <memory>
#include <utility>

#include "hostapi/HostInterface.h"

template <class T>
class RecordData {
 public:
  // Hangs a copy of value on record, freeing what this holder hung there before.
  T* hang(imapHw2Vuq& record, T value) {
    std::unique_ptr<T>& slot = values_[&record];
    slot.reset(new T(std::move(value)));
    record.apmData = slot.get();
    return slot.get();
  }

  // What this holder hung on record; null when it hung nothing there, or when
  // something else hangs there now.
  T* find(const imapHw2Vuq* record) const {
    if (record == nullptr || record->apmData == nullptr) return nullptr;
    const auto it = values_.find(record);
    return it != values_.end() && it->second.get() == record->apmData ? it->second.get() : nullptr;
  }

  // Unhooks what this holder hung on the records (null: none are reachable), then
  // frees every value it holds.
  void release(const pmapper<imapHw2Vuq*>* records) {
    if (records != nullptr) {
      for (const auto& entry : *records) {
        if (find(entry.second) != nullptr) entry.second->apmData = nullptr;
      }
    }
    values_.clear();
  }

 private:
  // Keyed by record; the keys are only compared, never followed.
  std::map<const imapHw2Vuq*, std::unique_ptr<T>> values_;
};
