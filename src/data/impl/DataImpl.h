// The one implementation of Data: entries in a vector sorted by name that owns them,
// and the message buffer a decoded container (and each of its nested containers)
// shares, so that its names, strings and numeric arrays can point into the received
// bytes. A decoded container places its entries and their holders in its own arena.
//
// Appends in ascending name order (what every decoder and copy does) go to the end of
// the vector; others are placed by binary search.
#pragma once

#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

#include "data/BufferHandler.h"
#include "data/Data.h"
#include "data/DataElementTypes.h"
#include "data/impl/Arena.h"
#include "data/impl/ArrayImpl.h"
#include "data/impl/EntryImpl.h"
#include "data/impl/EntryIndex.h"

namespace yox {
namespace data {
namespace impl {

// What precedes every DataImpl made with new, in the same allocation. It counts what
// keeps the allocation: the object until it is deleted, an arena whose first chunk is
// the allocation's tail, and each container whose views point into the message the
// header holds (the received bytes, freed with the allocation).
struct alignas(alignof(std::max_align_t)) DataBlock {
  std::atomic<size_t> refs;
  BufferHandler* message;
  // The bytes of the allocation, header included.
  size_t bytes;

  void retain() { refs.fetch_add(1, std::memory_order_relaxed); }
  static void release(DataBlock* block) { release(block, 1); }
  // Drops count references. A holder that sees only its own references knows that no
  // one else can take one (only holders hand references on), and skips the atomic
  // update.
  static void release(DataBlock* block, size_t count) {
    if (block == nullptr) return;
    if (block->refs.load(std::memory_order_acquire) == count ||
        block->refs.fetch_sub(count, std::memory_order_acq_rel) == count)
      free(block);
  }
  // Drops count of the references of a holder that keeps at least one more.
  static void drop(DataBlock* block, size_t count, size_t kept) {
    if (block->refs.load(std::memory_order_acquire) == count + kept)
      block->refs.store(kept, std::memory_order_relaxed);
    else
      block->refs.fetch_sub(count, std::memory_order_acq_rel);
  }

 private:
  static void free(DataBlock* block);
};

class DataImpl final : public Data {
 public:
  // Every DataImpl made with new sits behind a DataBlock; tail bytes may follow it.
  struct Tail {
    size_t bytes;
  };
  static void* operator new(size_t size) { return operator new (size, Tail{0}); }
  static void* operator new(size_t size, Tail tail);
  static void operator delete(void* object);
  static void operator delete(void* object, Tail) { operator delete(object); }

  DataImpl();
  // A deep copy owning all its storage; it never shares other's buffer.
  DataImpl(const DataImpl& other);
  DataImpl& operator=(DataImpl other);
  ~DataImpl() override;

  void appendPtr(const std::string& name, const char* value) override;
  void appendStringPtr(const std::string& name, const char* value) override;
  void appendMove(const std::string& name, const char* value) override;
  void appendStringMove(const std::string& name, const char* value) override;
  void appendPtr(const std::string& name, Data* value) override;
  void appendDataPtr(const std::string& name, Data* value) override;
  void appendMove(const std::string& name, yox::auto_ptr<Data> value) override;
  void appendPtr(const std::string& name, const DiscreteFunction* value) override;
  void appendMove(const std::string& name, yox::auto_ptr<const DiscreteFunction> value) override;
  void appendPtr(const std::string& name, const DiscreteFunctionList* value) override;
  void appendMove(const std::string& name, yox::auto_ptr<const DiscreteFunctionList> value) override;
  YOX_SCALAR_APPENDS(YOX_PLAIN, YOX_OVERRIDE)
  void append(const std::string& name, const char* value) override;
  void append(const std::string& name, const Data& value) override;
  void append(const std::string& name, const DiscreteFunction& value) override;
  void append(const std::string& name, const DiscreteFunctionList& value) override;
  YOX_APPEND_FAMILY(appendArray, appendArray2D, appendMultiArray, YOX_PLAIN, YOX_OVERRIDE)
  YOX_APPEND_FAMILY(appendArrayPtr, appendArray2DPtr, appendMultiArrayPtr, YOX_PLAIN, YOX_OVERRIDE)
  YOX_APPEND_FAMILY(appendArrayMove, appendArray2DMove, appendMultiArrayMove, YOX_PLAIN, YOX_OVERRIDE)

  YOX_SCALAR_GETTERS(YOX_WITH_NAME, YOX_PLAIN, YOX_OVERRIDE)
  const char* getString(const std::string& name) const override;
  char* releaseString(const std::string& name) override;
  const Data& getData(const std::string& name) const override;
  yox::auto_ptr<Data> releaseData(const std::string& name) override;
  const DiscreteFunction& getDiscreteFunction(const std::string& name) const override;
  yox::auto_ptr<const DiscreteFunction> releaseDiscreteFunction(const std::string& name) override;
  const DiscreteFunctionList& getDiscreteFunctionList(const std::string& name) const override;
  yox::auto_ptr<const DiscreteFunctionList> releaseDiscreteFunctionList(const std::string& name) override;
  YOX_GET_AND_COPY_FAMILIES(YOX_WITH_NAME, YOX_PLAIN, YOX_OVERRIDE, YOX_OVERRIDE)
  YOX_RELEASE_FAMILIES(YOX_WITH_NAME, YOX_PLAIN, YOX_OVERRIDE)

  bool exists(const std::string& name) const override;
  bool hasOwnership(const std::string& name) const override;
  yox::auto_ptr<Entry> remove(const std::string& name) override;
  void clear() override;
  std::vector<const Entry*> getEntries() const override;
  const Entry* getEntry(const std::string& name) const override;
  std::vector<std::string> getTags() const override;
  std::set<std::string> getEntryNames() const override;
  size_t getAllEntriesSize() const override;
  size_t size() const override;
  size_t getSize() const override;
  bool isEmpty() const override;
  yox::auto_ptr<Data> clone() const override;
  // Throws DataException when other is not a DataImpl.
  void swap(Data& other) override;
  void merge(Data& other) override;
  bool operator==(const Data& other) const override;
  bool operator!=(const Data& other) const override;
  bool equals(const Data& other) const override;
  std::string toString() const override;
  std::string toString(size_t limit) const override;
  size_t hashCode() const override;
  // The hash of the entries alone (without their count).
  virtual size_t primitiveHashCode() const;

  // String arrays whose pointer array (from new[]) is adopted while the strings stay
  // where they are, inside this container's buffer (used by the binary decoder).
  void appendArrayMoveStringArray(const std::string& name, const char** values, size_t size);
  void appendArray2DMoveStringArray(const std::string& name, const char** values, size_t rows, size_t cols);
  void appendMultiArrayMoveStringArray(const std::string& name, const char** values,
                                       const std::vector<size_t>& dims);
  // Adds an entry made elsewhere, replacing any of the same name. Throws DataException
  // (and deletes it) when it is null or not an EntryImpl.
  void appendEntry(yox::auto_ptr<Entry> entry);

  // The entries in name order, for the serializers.
  const EntryIndex& entryList() const { return entries_; }

  // An empty container for a block of entries decoded from message, which it adopts
  // (also when this fails) and frees with the last container sharing it. The arena
  // for the entries starts in the container's own allocation.
  static std::unique_ptr<DataImpl> forMessage(BufferHandler* message, size_t entries);
  // The same for a nested block of the message this container holds.
  std::unique_ptr<DataImpl> forNestedBlock(size_t entries) const;

  // The decoders' appends: entries and holders go to the arena; names, texts and
  // array elements stay in the message this container keeps (or in the arena).
  // A scalar, string or array entry whose holder frees nothing (dims of at most two);
  // nameLength is strlen(name).
  [[gnu::always_inline]] void appendDecoded(const char* name, size_t nameLength, DataType type,
                                            const ScalarPrimitiveValue& value) {
    EntryImpl* entry = EntryImpl::decoded(arena_, name, nameLength, type, value);
    if (entries_.hasRoom() && (entries_.empty() || entries_.back()->namePrecedes(name, nameLength)))
      entries_.pushFreeingNothing(entry);
    else
      addDecoded(entry);
  }
  // A holder of T made in the arena.
  template <class H, class... Args>
  H* makeInArena(Args&&... args) {
    return arena_.make<H>(static_cast<Args&&>(args)...);
  }
  // Views of count elements in the message, of the type's shape.
  template <class T>
  void appendDecodedArray(const char* name, DataType type, const T* values, const Extents& dims,
                          size_t count) {
    addDecoded(EntryImpl::inArena(
        arena_, name, type,
        arena_.make<ArrayImpl<T, ShallowCopyPolicy>>(dims, count, const_cast<T*>(values))));
  }
  // Texts of the message; the pointer array is taken from arenaArray().
  void appendDecodedStrings(const char* name, DataType type, const char** texts, const Extents& dims,
                            size_t count);
  void appendDecodedData(const char* name, std::unique_ptr<DataImpl> data);
  // Room for count pointers in the arena.
  const char** arenaArray(size_t count);

  // An empty container for a block of entries read from a text, whose arena starts with
  // room for about textBytes of names, texts and arrays besides the entries.
  static std::unique_ptr<DataImpl> forDecodedText(size_t entries, size_t textBytes);
  // Room for count elements of T in the arena, freed with it.
  template <class T>
  T* allocateInArena(size_t count) {
    return static_cast<T*>(arena_.allocate(count * sizeof(T), alignof(T)));
  }
  // A string or array entry whose holder, made in the arena, must be destroyed with it
  // (extents of more than two dimensions); the holder is the entry's, also on failure.
  void appendDecodedHolder(const char* name, DataType type, ArrayBase* holder);

 private:
  EntryImpl* find(const std::string& name) const;
  EntryImpl& findExistingEntry(const std::string& name) const;
  void addOrReplaceEntry(EntryPtr entry);
  void addDecoded(EntryImpl* entry) { addOrReplaceEntry(EntryPtr(entry)); }
  void erase(EntryImpl* entry);
  void destroyEntries();
  template <class MT, class Policy, class CT>
  void appendArrayOf(const std::string& name, DataType type, CT values, std::vector<size_t> dims);
  template <class F>
  auto releaseEntry(const std::string& name, F release);

  static DataBlock* blockOf(const DataImpl* object) {
    return reinterpret_cast<DataBlock*>(const_cast<DataImpl*>(object)) - 1;
  }
  static std::unique_ptr<DataImpl> withArena(DataBlock* message, size_t entries);

  // The allocation whose message the entries' views point into, and the one whose tail
  // starts the arena; each holds one reference.
  DataBlock* message_ = nullptr;
  DataBlock* arenaBlock_ = nullptr;
  // This object's own allocation, when it was made for a message (not swapped).
  DataBlock* ownBlock_ = nullptr;
  Arena arena_;
  EntryIndex entries_;
};

}  // namespace impl
}  // namespace data
}  // namespace yox
