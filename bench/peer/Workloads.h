// The workloads of the peer comparison and their messages, built on first use so that
// a filtered run builds only what it measures.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "Message.h"

namespace peer {

struct Workload {
  std::string id;     // first part of the benchmark names
  std::string label;  // first column of the table
  bool allOps;        // encode and decode + read too, not only decode
  bool textFormats;   // also compared in the text formats
  size_t arrayBytes;  // size of the "waveform" double array; 0 for none
  int shape;          // which builder makes the message
};

const std::vector<Workload>& workloads();

// The message of a workload, built on the first call and kept.
const Message& message(const Workload& workload);

}  // namespace peer
