#include "data/impl/DataImpl.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <string_view>
#include <type_traits>
#include <utility>

#include "data/DataException.h"
#include "data/impl/ArrayImpl.h"
#include "data/impl/EntryValidator.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/asan_interface.h>
#endif

namespace yox {
namespace data {
namespace impl {

namespace {

template <class... Args>
EntryPtr makeEntry(Args&&... args) {
  return EntryPtr(new EntryImpl(std::forward<Args>(args)...));
}

[[noreturn]] void throwNull(const std::string& name) {
  throw DataException("Can't assign null value for the field \"" + name + "\".");
}

template <class P>
void checkNotNull(const std::string& name, const P* value) {
  if (value == nullptr) throwNull(name);
}

// An entry referring to (pointer) or adopting (auto_ptr) a nested object; null refused.
template <class P>
EntryPtr nestedEntry(const std::string& name, P* value) {
  checkNotNull(name, value);
  return makeEntry(name.c_str(), value);
}
template <class P>
EntryPtr nestedEntry(const std::string& name, yox::auto_ptr<P>& value) {
  checkNotNull(name, value.get());
  return makeEntry(name.c_str(), value);
}

// The element count of an array of these extents; refuses a product beyond size_t. Any
// zero extent makes an empty array whatever the others are, as the decoders count it.
size_t checkedCount(const std::string& name, const std::vector<size_t>& dims) {
  if (std::find(dims.begin(), dims.end(), size_t{0}) != dims.end()) return 0;
  size_t count = 1;
  for (size_t d : dims) {
    if (d != 0 && count > std::numeric_limits<size_t>::max() / d) {
      throw DataException("Array dimensions of the field '" + name + "' exceed the addressable size.");
    }
    count *= d;
  }
  return count;
}

// The argument checks of the array families, by element type.
template <class E>
void validateValues(const std::string& name, const E* values, size_t count) {
  if constexpr (std::is_same_v<E, const char*>) {
    EntryValidator::validateStringArray(name, values, count);
  } else if constexpr (std::is_pointer_v<E>) {
    EntryValidator::validateObjectArray(name, values, count);
  } else {
    EntryValidator::validateArraySize(name, values, count);
  }
}

// A string entry holding value under the given policy, once value passed its checks.
template <class Policy>
EntryPtr stringEntry(const std::string& name, const char* value) {
  EntryValidator::validateString(name, value);
  const size_t length = std::strlen(value);
  std::unique_ptr<ArrayBase> holder(
      new ArrayImpl<char, Policy>(std::vector<size_t>{length}, length, const_cast<char*>(value)));
  EntryPtr entry(new EntryImpl(name.c_str(), DT_STRING, holder.get()));
  holder.release();
  return entry;
}

// A driver thread decodes and drops one update after another, each container the same
// size: the largest recently freed block of up to kMaxSpare bytes is kept for the
// thread's next container instead of going back to malloc.
constexpr size_t kMaxSpare = 4096;
thread_local DataBlock* spareBlock = nullptr;
thread_local bool threadEnding = false;

// A kept block is poisoned for AddressSanitizer, which then still reports a read of an
// entry or a pointer array after its container was freed.
#if defined(__SANITIZE_ADDRESS__)
void poison(DataBlock* block, bool on) {
  if (on)
    ASAN_POISON_MEMORY_REGION(block + 1, block->bytes - sizeof(DataBlock));
  else
    ASAN_UNPOISON_MEMORY_REGION(block + 1, block->bytes - sizeof(DataBlock));
}
#else
void poison(DataBlock*, bool) {}
#endif

// Frees the spare block when the thread ends; registered by the first block kept.
struct SpareRelease {
  ~SpareRelease() {
    threadEnding = true;
    if (spareBlock != nullptr) poison(spareBlock, false);
    ::operator delete(std::exchange(spareBlock, nullptr));
  }
};
thread_local SpareRelease spareRelease;

// The spare block when it has at least bytes, else null.
void* takeSpare(size_t bytes) {
  if (spareBlock == nullptr || spareBlock->bytes < bytes) return nullptr;
  poison(spareBlock, false);
  return std::exchange(spareBlock, nullptr);
}

// Keeps block when it is larger than the spare (which is freed), else frees it.
void giveSpare(DataBlock* block) {
  if (block->bytes <= kMaxSpare && !threadEnding) {
    if (spareBlock == nullptr) {
      static_cast<void>(&spareRelease);
      poison(block, true);
      spareBlock = block;
      return;
    }
    if (spareBlock->bytes < block->bytes) {
      poison(block, true);
      std::swap(block, spareBlock);
      poison(block, false);
    }
  }
  ::operator delete(block);
}

}  // namespace

void DataBlock::free(DataBlock* block) {
  delete block->message;
  giveSpare(block);
}

static_assert(sizeof(DataBlock) % alignof(std::max_align_t) == 0,
              "the object after the header stays aligned");

void* DataImpl::operator new(size_t size, Tail tail) {
  size_t bytes = sizeof(DataBlock) + size + tail.bytes;
  void* memory = bytes <= kMaxSpare ? takeSpare(bytes) : nullptr;
  if (memory != nullptr)
    bytes = static_cast<DataBlock*>(memory)->bytes;
  else
    memory = ::operator new(bytes);
  DataBlock* block = new (memory) DataBlock{{1}, nullptr, bytes};
  return block + 1;
}

void DataImpl::operator delete(void* object) {
  if (object != nullptr) DataBlock::release(static_cast<DataBlock*>(object) - 1);
}

DataImpl::DataImpl() {}

DataImpl::DataImpl(const DataImpl& other) : Data() {
  entries_.reserve(other.entries_.size());
  for (const EntryImpl* entry : other.entries_) appendEntry(entry->clone());
}

DataImpl& DataImpl::operator=(DataImpl other) {
  swap(other);
  return *this;
}

DataImpl::~DataImpl() {
  destroyEntries();
  if (ownBlock_ != nullptr && arenaBlock_ == ownBlock_ && message_ == ownBlock_) {
    // The usual end of a decoded container: operator delete drops the last reference.
    DataBlock::drop(ownBlock_, 2, 1);
    return;
  }
  DataBlock::release(arenaBlock_);
  DataBlock::release(message_);
}

std::unique_ptr<DataImpl> DataImpl::withArena(DataBlock* message, size_t entries) {
  // The index and entries of a block and holders for about a third of them; past that
  // the arena takes blocks of its own. A typical message's container then stays small
  // enough for malloc's per-thread cache.
  constexpr size_t kIndexInArena = 4096;
  constexpr size_t kMaxTail = 16384;
  constexpr size_t kHolderShare = 24;
  const size_t indexBytes = entries <= kIndexInArena ? entries * sizeof(EntryImpl*) : 0;
  const size_t wanted = entries * (sizeof(EntryImpl) + kHolderShare) + indexBytes + 64;
  const size_t tail = wanted < kMaxTail ? wanted : kMaxTail;
  std::unique_ptr<DataImpl> data(new (Tail{tail}) DataImpl());
  DataBlock* own = blockOf(data.get());
  // Not shared yet: the object's reference and the arena's.
  own->refs.store(2, std::memory_order_relaxed);
  data->ownBlock_ = own;
  data->arenaBlock_ = own;
  // A reused block may have more room than asked for.
  const size_t room = own->bytes - sizeof(DataBlock) - sizeof(DataImpl);
  data->arena_.start(reinterpret_cast<char*>(data.get() + 1), room, wanted > room ? wanted - room : 0);
  if (message != nullptr) {
    message->retain();
    data->message_ = message;
  }
  if (indexBytes != 0)
    data->entries_.reserveIn(data->arena_, entries);
  else
    data->entries_.reserve(entries);
  return data;
}

std::unique_ptr<DataImpl> DataImpl::forMessage(BufferHandler* message, size_t entries) {
  std::unique_ptr<BufferHandler> adopted(message);
  std::unique_ptr<DataImpl> data = withArena(nullptr, entries);
  // The container's own allocation keeps the message.
  DataBlock* own = blockOf(data.get());
  own->message = adopted.release();
  own->refs.store(3, std::memory_order_relaxed);
  data->message_ = own;
  return data;
}

std::unique_ptr<DataImpl> DataImpl::forNestedBlock(size_t entries) const {
  return withArena(message_, entries);
}

void DataImpl::destroyEntries() {
  if (!entries_.freesNothing()) {
    for (EntryImpl* entry : entries_) EntryImpl::destroy(entry);
  }
  entries_.clear();
}

// ---- lookup ----

namespace {

// Byte-wise order of an entry name against a name that may hold NUL characters.
int compareName(const char* entryName, const std::string& name) {
  return std::string_view(entryName).compare(std::string_view(name));
}

bool nameLess(const EntryImpl* entry, const char* name) { return std::strcmp(entry->getName(), name) < 0; }

}  // namespace

EntryImpl* DataImpl::find(const std::string& name) const {
  size_t low = 0;
  size_t high = entries_.size();
  while (low < high) {
    const size_t mid = low + (high - low) / 2;
    const int order = compareName(entries_[mid]->getName(), name);
    if (order == 0) return entries_[mid];
    if (order < 0)
      low = mid + 1;
    else
      high = mid;
  }
  return nullptr;
}

void DataImpl::erase(EntryImpl* entry) {
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), entry->getName(), nameLess);
  entries_.erase(it);
  EntryImpl::destroy(entry);
}

// ---- appends ----

void DataImpl::addOrReplaceEntry(EntryPtr entry) {
  const char* name = entry->getName();
  if (entries_.empty() || entries_.back()->compareName(*entry) < 0) {
    entries_.push_back(entry.get());
    entry.release();
    return;
  }
  const auto it = std::lower_bound(entries_.begin(), entries_.end(), name, nameLess);
  if (it != entries_.end() && std::strcmp((*it)->getName(), name) == 0) {
    EntryImpl* old = *it;
    *it = entry.release();
    EntryImpl::destroy(old);
  } else {
    entries_.insert(it, entry.get());
    entry.release();
  }
}

void DataImpl::appendDecodedStrings(const char* name, DataType type, const char** texts, const Extents& dims,
                                    size_t count) {
  addDecoded(EntryImpl::inArena(
      arena_, name, type,
      arena_.make<ArrayImpl<char*, ArenaArrayPolicy>>(dims, count, const_cast<char**>(texts))));
}

void DataImpl::appendDecodedData(const char* name, std::unique_ptr<DataImpl> data) {
  addDecoded(EntryImpl::inArena(arena_, name, data.get()));
  data.release();
}

const char** DataImpl::arenaArray(size_t count) {
  return static_cast<const char**>(arena_.allocate(count * sizeof(const char*), alignof(const char*)));
}

std::unique_ptr<DataImpl> DataImpl::forDecodedText(size_t entries, size_t textBytes) {
  // The arena is sized by entries (each with its index slot and a holder share); the
  // text is counted as that many more.
  constexpr size_t kPerEntry = sizeof(EntryImpl) + sizeof(EntryImpl*) + 24;
  return withArena(nullptr, entries + (textBytes + kPerEntry - 1) / kPerEntry);
}

void DataImpl::appendDecodedHolder(const char* name, DataType type, ArrayBase* holder) {
  EntryImpl* entry;
  try {
    entry = EntryImpl::inArena(arena_, name, type, holder);
  } catch (...) {
    holder->~ArrayBase();
    throw;
  }
  addDecoded(entry);
}

template <class MT, class Policy, class CT>
void DataImpl::appendArrayOf(const std::string& name, DataType type, CT values, std::vector<size_t> dims) {
  const size_t count = checkedCount(name, dims);
  validateValues(name, values, count);
  using T = std::remove_pointer_t<MT>;
  std::unique_ptr<ArrayBase> holder(new ArrayImpl<T, Policy>(std::move(dims), count, const_cast<MT>(values)));
  EntryPtr entry(new EntryImpl(name.c_str(), type, holder.get()));
  holder.release();
  addOrReplaceEntry(std::move(entry));
}

#define YOX_DATA_DEF(ret, fn) ret DataImpl::fn
#define YOX_SCALAR_BODY(T, DT) \
  { addOrReplaceEntry(makeEntry(name.c_str(), DT, ScalarPrimitiveValue::of<T>(value))); }
YOX_SCALAR_APPENDS(YOX_DATA_DEF, YOX_SCALAR_BODY)
#undef YOX_SCALAR_BODY

#define YOX_COPY_BODY(CT, MT, DT, DIMS) \
  { appendArrayOf<MT, CopyPolicy>(name, DT, values, DIMS); }
#define YOX_PTR_BODY(CT, MT, DT, DIMS) \
  { appendArrayOf<MT, ShallowCopyPolicy>(name, DT, values, DIMS); }
#define YOX_MOVE_BODY(CT, MT, DT, DIMS) \
  { appendArrayOf<MT, MovePolicy>(name, DT, values, DIMS); }
YOX_APPEND_FAMILY(appendArray, appendArray2D, appendMultiArray, YOX_DATA_DEF, YOX_COPY_BODY)
YOX_APPEND_FAMILY(appendArrayPtr, appendArray2DPtr, appendMultiArrayPtr, YOX_DATA_DEF, YOX_PTR_BODY)
YOX_APPEND_FAMILY(appendArrayMove, appendArray2DMove, appendMultiArrayMove, YOX_DATA_DEF, YOX_MOVE_BODY)
#undef YOX_COPY_BODY
#undef YOX_PTR_BODY
#undef YOX_MOVE_BODY

void DataImpl::appendArrayMoveStringArray(const std::string& name, const char** values, size_t size) {
  appendArrayOf<char**, MoveArrayPolicy>(name, DT_STRING_ARRAY, values, {size});
}

void DataImpl::appendArray2DMoveStringArray(const std::string& name, const char** values, size_t rows,
                                            size_t cols) {
  appendArrayOf<char**, MoveArrayPolicy>(name, DT_STRING_ARRAY_2D, values, {rows, cols});
}

void DataImpl::appendMultiArrayMoveStringArray(const std::string& name, const char** values,
                                               const std::vector<size_t>& dims) {
  appendArrayOf<char**, MoveArrayPolicy>(name, DT_STRING_MULTI_ARRAY, values, dims);
}

void DataImpl::append(const std::string& name, const char* value) {
  addOrReplaceEntry(stringEntry<CopyPolicy>(name, value));
}

void DataImpl::appendPtr(const std::string& name, const char* value) {
  addOrReplaceEntry(stringEntry<ShallowCopyPolicy>(name, value));
}

void DataImpl::appendStringPtr(const std::string& name, const char* value) { appendPtr(name, value); }

void DataImpl::appendMove(const std::string& name, const char* value) {
  addOrReplaceEntry(stringEntry<MovePolicy>(name, value));
}

void DataImpl::appendStringMove(const std::string& name, const char* value) { appendMove(name, value); }

void DataImpl::append(const std::string& name, const Data& value) {
  addOrReplaceEntry(makeEntry(name.c_str(), value.clone()));
}

void DataImpl::appendPtr(const std::string& name, Data* value) {
  checkNotNull(name, value);
  if (value == this) throw DataException("Can't append itself - the current Data instance.");
  addOrReplaceEntry(nestedEntry(name, value));
}

void DataImpl::appendDataPtr(const std::string& name, Data* value) {
  checkNotNull(name, value);
  appendPtr(name, value);
}

void DataImpl::appendMove(const std::string& name, yox::auto_ptr<Data> value) {
  // Adopting this container would make it own itself; value must not delete it either.
  if (value.get() == this) {
    value.release();
    throw DataException("Can't append itself - the current Data instance.");
  }
  addOrReplaceEntry(nestedEntry(name, value));
}

// Copies (clones), Ptr and Move of discrete functions and lists.
#define YOX_NESTED_APPENDS(N)                                                          \
  void DataImpl::append(const std::string& name, const N& value) {                     \
    addOrReplaceEntry(makeEntry(name.c_str(), yox::auto_ptr<const N>(value.clone()))); \
  }                                                                                    \
  void DataImpl::appendPtr(const std::string& name, const N* value) {                  \
    addOrReplaceEntry(nestedEntry(name, value));                                       \
  }                                                                                    \
  void DataImpl::appendMove(const std::string& name, yox::auto_ptr<const N> value) {   \
    addOrReplaceEntry(nestedEntry(name, value));                                       \
  }
YOX_NESTED_APPENDS(DiscreteFunction)
YOX_NESTED_APPENDS(DiscreteFunctionList)
#undef YOX_NESTED_APPENDS

void DataImpl::appendEntry(yox::auto_ptr<Entry> entry) {
  if (dynamic_cast<EntryImpl*>(entry.get()) == nullptr)
    throw DataException("Wrong implementation of yox::Entry.");
  addOrReplaceEntry(EntryPtr(static_cast<EntryImpl*>(entry.release())));
}

// ---- reads and releases ----

EntryImpl& DataImpl::findExistingEntry(const std::string& name) const {
  EntryImpl* entry = find(name);
  if (entry == nullptr) throw DataException("Entry '" + name + "' not found in the Data container.");
  return *entry;
}

// Runs the entry's release and, when it succeeds, erases the emptied entry.
template <class F>
auto DataImpl::releaseEntry(const std::string& name, F release) {
  EntryImpl& entry = findExistingEntry(name);
  auto result = release(entry);
  erase(&entry);
  return result;
}

#define YOX_SCALAR_BODY(S, T, DT) \
  { return findExistingEntry(name).get##S(); }
YOX_SCALAR_GETTERS(YOX_WITH_NAME, YOX_DATA_DEF, YOX_SCALAR_BODY)
#define YOX_FORWARD_BODY(fn, R, MT, DT, ...) \
  { return findExistingEntry(name).fn(__VA_ARGS__); }
#define YOX_RELEASE_BODY(fn, R, MT, DT, ...)                                    \
  {                                                                             \
    return releaseEntry(name, [&](EntryImpl& e) { return e.fn(__VA_ARGS__); }); \
  }
YOX_GET_AND_COPY_FAMILIES(YOX_WITH_NAME, YOX_DATA_DEF, YOX_FORWARD_BODY, YOX_FORWARD_BODY)
YOX_RELEASE_FAMILIES(YOX_WITH_NAME, YOX_DATA_DEF, YOX_RELEASE_BODY)
#undef YOX_FORWARD_BODY
#undef YOX_RELEASE_BODY
#undef YOX_SCALAR_BODY
#undef YOX_DATA_DEF

// The single-value reads and releases of strings and nested objects.
#define YOX_SINGLE(N, GET_T, RELEASE_T)                                                              \
  GET_T DataImpl::get##N(const std::string& name) const { return findExistingEntry(name).get##N(); } \
  RELEASE_T DataImpl::release##N(const std::string& name) {                                          \
    return releaseEntry(name, [](EntryImpl& e) { return e.release##N(); });                          \
  }
YOX_SINGLE(String, const char*, char*)
YOX_SINGLE(Data, const Data&, yox::auto_ptr<Data>)
YOX_SINGLE(DiscreteFunction, const DiscreteFunction&, yox::auto_ptr<const DiscreteFunction>)
YOX_SINGLE(DiscreteFunctionList, const DiscreteFunctionList&, yox::auto_ptr<const DiscreteFunctionList>)
#undef YOX_SINGLE

bool DataImpl::hasOwnership(const std::string& name) const { return findExistingEntry(name).hasOwnership(); }

// ---- enumeration and change ----

bool DataImpl::exists(const std::string& name) const { return getEntry(name) != nullptr; }

const Entry* DataImpl::getEntry(const std::string& name) const { return find(name); }

std::vector<const Entry*> DataImpl::getEntries() const {
  return std::vector<const Entry*>(entries_.begin(), entries_.end());
}

std::vector<std::string> DataImpl::getTags() const {
  std::vector<std::string> result;
  result.reserve(entries_.size());
  for (const EntryImpl* entry : entries_) result.emplace_back(entry->getName());
  return result;
}

std::set<std::string> DataImpl::getEntryNames() const {
  std::set<std::string> result;
  for (const EntryImpl* entry : entries_) result.emplace_hint(result.end(), entry->getName());
  return result;
}

size_t DataImpl::getAllEntriesSize() const {
  size_t total = 0;
  for (const EntryImpl* entry : entries_) total += entry->getSize();
  return total;
}

size_t DataImpl::size() const { return entries_.size(); }

size_t DataImpl::getSize() const { return entries_.size(); }

bool DataImpl::isEmpty() const { return getSize() == 0; }

yox::auto_ptr<Entry> DataImpl::remove(const std::string& name) {
  EntryImpl* entry = find(name);
  if (entry == nullptr) return yox::auto_ptr<Entry>();
  // The entry may point into this container's buffer, which may die before it, or live
  // in its arena: hand out an owned copy instead.
  if (message_ != nullptr || entry->isInArena()) {
    yox::auto_ptr<Entry> copy = entry->clone();
    erase(entry);
    return copy;
  }
  entries_.erase(std::lower_bound(entries_.begin(), entries_.end(), entry->getName(), nameLess));
  return yox::auto_ptr<Entry>(entry);
}

void DataImpl::clear() { destroyEntries(); }

yox::auto_ptr<Data> DataImpl::clone() const { return yox::auto_ptr<Data>(new DataImpl(*this)); }

void DataImpl::swap(Data& other) {
  DataImpl* that = dynamic_cast<DataImpl*>(&other);
  if (that == nullptr) throw DataException("Wrong implementation of yox::Data.");
  entries_.swap(that->entries_);
  arena_.swap(that->arena_);
  std::swap(message_, that->message_);
  std::swap(arenaBlock_, that->arenaBlock_);
}

void DataImpl::merge(Data& other) {
  if (&other == this) throw DataException("Data object cannot merge with itself.");
  if (equals(other)) {
    other.clear();
    return;
  }
  for (const std::string& name : other.getTags()) appendEntry(other.remove(name));
}

// ---- compare, hash, print ----

bool DataImpl::operator==(const Data& other) const {
  if (&other == this) return true;
  const DataImpl* that = dynamic_cast<const DataImpl*>(&other);
  if (that == nullptr || getSize() != that->getSize()) return false;
  // Both are sorted by name with unique names: equal containers match position by position.
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (*entries_[i] != *that->entries_[i]) return false;
  }
  return true;
}

bool DataImpl::operator!=(const Data& other) const { return !(*this == other); }

bool DataImpl::equals(const Data& other) const { return *this == other; }

size_t DataImpl::primitiveHashCode() const {
  size_t seed = 0;
  for (const EntryImpl* entry : entries_) seed = hashCombine(seed, entry->hashCode());
  return seed;
}

size_t DataImpl::hashCode() const { return hashCombine(hashCombine(17, getSize()), primitiveHashCode()); }

std::string DataImpl::toString() const { return toString(EntryImpl::SIZE_T_MAX); }

std::string DataImpl::toString(size_t limit) const {
  std::string text;
  for (const EntryImpl* entry : entries_) text += entry->toString(limit);
  return text;
}

}  // namespace impl
}  // namespace data
}  // namespace yox
