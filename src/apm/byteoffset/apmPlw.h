// Mappers for controllers that publish a property as one raw byte array: each host
// tag is a typed field cut out of that array at a byte offset, or a single bit of
// one byte. The field address comes from the mapping record's qualifiers (offset,
// then optional bit) and is hung on the record by initialise.
//
//   apmPlw            "plw"      fields in the array's byte order
//   apmPlwM           "plwm"     as apmPlw, for a second kind of controller
//   apmPlwBigEndian   "plw.be"   fields with their bytes reversed
//   apmPlwMBigEndian  "plwm.be"  as apmPlwBigEndian, for the second kind
//
// The addresses hung on mapping records belong to the mapper that allocated them:
// it frees them when it is destroyed or when it addresses the same record again.
// It never touches the records themselves on destruction (the host may already
// have freed them). The tag's valid flag and time stamp are left to the cycle.
#pragma once

#include <string>

#include "apm/apmDefault.h"
#include "base/Export.h"
#include "hostapi/RecordData.h"

class YOX_EXPORT apmPlw : public apmDefault {
 public:
  // Where a tag's field lies in the byte array: offset -1 when absent, bit -1 when
  // the field is a whole value (otherwise 0..7 within the byte at offset).
  struct at {
    int offset;
    int bit;
  };

  apmPlw();
  // Frees the addresses this mapper allocated; the records are not touched.
  ~apmPlw() override;

  // A new mapper of the same class with this index and construction defaults; the
  // caller owns it.
  apm* dup() override;
  // Hangs a freshly read address on every mapping record of prop, freeing the one
  // this mapper hung there before.
  void initialise(iqivProp* prop) override;
  // Cuts tag's field out of prop's byte-array tag of the same name into tag's value.
  // False when the source tag is missing or not bytes, or when the field cannot be
  // converted (the value is then left not initialised); true with tag.noData set
  // when the address is missing or lies outside the array; true on success.
  bool in(iqivProp* prop, qivTag* tag, const imapHw2Vuq* map) override;

  // Puts the size bytes of one field into the host's order, in place.
  virtual void orderTargetBytes(char* bytes, unsigned long size);

  // True when source exists and holds bytes; otherwise logs and gives false.
  bool checkSrcTag(qivTag* source, const std::string& tagName, const std::string& property,
                   const std::string& address) const;
  // True when field lies wholly inside a rawSize-byte array for a typeSize-byte
  // value; otherwise (field null or outside) logs, sets tag.noData and gives false.
  bool checkAddressOffset(const at* field, const std::string& tagName, const std::string& address,
                          unsigned long rawSize, unsigned long typeSize, qivTag& tag);
  // Writes the size bytes of one field (already ordered) into tag's value: the whole
  // value when bit < 0, else element 0 = that bit of the first byte. Refuses, with a
  // log record and false, a value that is not initialised or holds strings.
  bool convertTargetBytesToDstValue(const char* bytes, unsigned long size, int bit, qivTag& tag);

 private:
  // The address this mapper hung on map, or null when there is none (or another
  // mapper has hung something else there since).
  const at* addressOf(const imapHw2Vuq* map) const;

  RecordData<at> addresses_;
};

class YOX_EXPORT apmPlwM : public apmPlw {
 public:
  apm* dup() override;
};

class YOX_EXPORT apmPlwBigEndian : public apmPlw {
 public:
  apm* dup() override;
  // Reverses the field's bytes.
  void orderTargetBytes(char* bytes, unsigned long size) override;
};

class YOX_EXPORT apmPlwMBigEndian : public apmPlwBigEndian {
 public:
  apm* dup() override;
};
