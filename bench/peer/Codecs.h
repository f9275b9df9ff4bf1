// The formats of the peer comparison. The peers are built only when their packages
// were found at configure time (YOX_PEER_MSGPACK, YOX_PEER_FLEXBUFFERS,
// YOX_PEER_RAPIDJSON).
#pragma once

#include <memory>

#include "Message.h"

namespace peer {

std::unique_ptr<Codec> makeOurBinaryCodec(const Message& message);
std::unique_ptr<Codec> makeOurStringCodec(const Message& message);
std::unique_ptr<Codec> makeMsgpackCodec(const Message& message);
std::unique_ptr<Codec> makeFlexBuffersCodec(const Message& message);
std::unique_ptr<Codec> makeRapidJsonCodec(const Message& message);

}  // namespace peer
