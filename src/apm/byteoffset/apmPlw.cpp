#include "apm/byteoffset/apmPlw.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/CommonUtilities.h"
#include "base/HostFunctions.h"
#include "base/LogIt.h"
#include "hostapi/HostInterface.h"

namespace {

// Reads one qualifier as the controllers' configuration writes it: hexadecimal when
// the host classes the text so, else decimal; like scanf, leading blanks are skipped
// and text after the number is ignored. -1 when nothing can be read or the number
// does not fit an int.
int readQualifier(const std::string& text) {
  if (text.empty()) return -1;
  const char* begin = text.c_str();
  char* end = nullptr;
  errno = 0;
  if (qiv::isHexi(begin)) {
    const unsigned long value = std::strtoul(begin, &end, 16);
    if (end == begin || errno == ERANGE || value > static_cast<unsigned long>(INT_MAX)) return -1;
    return static_cast<int>(value);
  }
  const long value = std::strtol(begin, &end, 10);
  if (end == begin || errno == ERANGE || value < INT_MIN || value > INT_MAX) return -1;
  return static_cast<int>(value);
}

}  // namespace

apmPlw::apmPlw() = default;

apmPlw::~apmPlw() = default;

apm* apmPlw::dup() {
  apmPlw* copy = new apmPlw();
  copy->index = index;
  return copy;
}

void apmPlw::initialise(iqivProp* prop) {
  if (prop == nullptr) return;
  for (auto& entry : prop->getMapping()) {
    imapHw2Vuq* record = entry.second;
    if (record == nullptr) continue;
    at field{-1, -1};
    if (!record->qualifiers.empty()) field.offset = readQualifier(record->qualifiers[0]);
    if (record->qualifiers.size() > 1) {
      const int bit = readQualifier(record->qualifiers[1]);
      field.bit = bit < 0 ? bit : bit % 8;
    }
    addresses_.hang(*record, field);
  }
}

const apmPlw::at* apmPlw::addressOf(const imapHw2Vuq* map) const { return addresses_.find(map); }

bool apmPlw::in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) {
  if (prop == nullptr || tag == nullptr) return false;
  const std::string property = prop->getProperty();
  const std::string tagName = tag->name;
  const std::string address = map != nullptr ? map->peripheralAddress : std::string();
  auto found = prop->tags.find(tagName);
  qivTag* source = found == prop->tags.end() ? nullptr : found->second;
  if (!checkSrcTag(source, tagName, property, address)) return false;

  unsigned long rawSize = 0;
  const boost::shared_array<char> raw = source->value.toByteArray(rawSize);
  const unsigned long typeSize = tag->value.getTypeSize();
  const at* field = addressOf(map);
  if (!checkAddressOffset(field, tagName, address, rawSize, typeSize, *tag)) return true;

  std::vector<char> bytes(typeSize);
  if (typeSize > 0) std::memcpy(bytes.data(), raw.get() + field->offset, typeSize);
  orderTargetBytes(bytes.data(), typeSize);
  return convertTargetBytesToDstValue(bytes.data(), typeSize, field->bit, *tag);
}

void apmPlw::orderTargetBytes(char*, unsigned long) {}

bool apmPlw::checkSrcTag(qivTag* source, const std::string& tagName, const std::string& property,
                         const std::string& address) const {
  if (source == nullptr) {
    YOX_LOG(kLogWarning, -1) << "peripheral address [" << address << "], apm id [" << index
                             << "] failed to locate tag                     [" << tagName << "] property ["
                             << property << "], returning false";
    return false;
  }
  if (source->value.getType() != QIV_BYTE) {
    YOX_LOG(kLogWarning, -1) << "peripheral address [" << address << "], apm id [" << index << "] tag ["
                             << tagName << "]                     property [" << property
                             << "], expected data type [" << VUQ_VARS::getTypeName(QIV_BYTE)
                             << "]                     received data type [" << source->value.getTypeName()
                             << "], returning false";
    return false;
  }
  return true;
}

bool apmPlw::checkAddressOffset(const at* field, const std::string& tagName, const std::string& address,
                                unsigned long rawSize, unsigned long typeSize, qivTag& tag) {
  if (field == nullptr) {
    YOX_LOG(kLogWarning, -1) << "peripheral address [" << address << "] for apm id [" << index
                             << "]                     is missing a byte index for tag [" << tagName
                             << "].                     Invalidating APM tag";
    tag.noData = true;
    return false;
  }
  if (field->offset < 0) {
    YOX_LOG(kLogWarning, -1) << "peripheral address [" << address << "] for apm id [" << index
                             << "]                     requests invalid byte index [" << field->offset
                             << "] from tag [" << tagName << "].                     Invalidating APM tag";
    tag.noData = true;
    return false;
  }
  // Compared without a subtraction so that neither side can wrap.
  if (static_cast<unsigned long>(field->offset) + typeSize > rawSize) {
    YOX_LOG(kLogWarning, -1) << "peripheral address [" << address << "] apm id [" << index
                             << "]                     requests invalid byte index [" << field->offset
                             << "] tag [" << tagName << "]                     raw byte array size ["
                             << rawSize << " bytes] offset [" << field->offset
                             << "]                     target type [" << tag.value.getTypeName() << "] size ["
                             << typeSize << "].                     Invalidating APM tag";
    tag.noData = true;
    return false;
  }
  return true;
}

bool apmPlw::convertTargetBytesToDstValue(const char* bytes, unsigned long size, int bit, qivTag& tag) {
  // A value without a type has nothing to decode into (and a zero-size field), and a
  // string value would read the field's bytes as text pointers: both are refused.
  const unsigned int type = tag.value.getType();
  bool converted = type != QIV_UNK && type != QIV_STRING && size > 0;
  if (converted) {
    if (bit < 0) {
      converted = tag.value.attachByteBuffer(bytes, size, 1);
    } else {
      tag.value.setAt<bool>(0, ((static_cast<signed char>(bytes[0]) >> bit) & 1) != 0);
    }
  }
  if (!converted) {
    YOX_LOG(kLogWarning, -1) << "Failed to obtain type [" << tag.value.getTypeName()
                             << "] from byte buffer,                         returning false";
  }
  return converted;
}

apm* apmPlwM::dup() {
  apmPlwM* copy = new apmPlwM();
  copy->index = index;
  return copy;
}

apm* apmPlwBigEndian::dup() {
  apmPlwBigEndian* copy = new apmPlwBigEndian();
  copy->index = index;
  return copy;
}

void apmPlwBigEndian::orderTargetBytes(char* bytes, unsigned long size) { reverseBytes(bytes, size); }

apm* apmPlwMBigEndian::dup() {
  apmPlwMBigEndian* copy = new apmPlwMBigEndian();
  copy->index = index;
  return copy;
}
