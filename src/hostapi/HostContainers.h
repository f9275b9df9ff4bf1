// The host's generic containers, shared by the host and the plug-in. Their layout
// and virtual operations are part of the binary interface with the host.
#pragma once

#include <cstring>
#include <utility>
#include <vector>

// A vector with an overridable element destructor and comparison. get() throws the
// integer 0 for an index outside the vector, as the host expects.
template <class T>
class ivector : public std::vector<T> {
 public:
  virtual ~ivector() {}
  virtual void destruct(T&) {}
  virtual bool eq(const T& a, const T& b) const { return a == b; }

  T& get(int index) {
    if (index < 0 || static_cast<size_t>(index) >= this->size()) throw 0;
    return (*this)[index];
  }
  const T& get(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= this->size()) throw 0;
    return (*this)[index];
  }
};

// A vector of pointers; when owning, it deletes its pointees.
template <class T>
class pvector : public ivector<T> {
 public:
  explicit pvector(bool owning = false) : owning(owning) {}
  pvector(const pvector&) = delete;
  pvector& operator=(const pvector&) = delete;
  ~pvector() override {
    if (!owning) return;
    for (T& p : *this) {
      delete p;
      p = nullptr;
    }
  }
  void destruct(T& p) override {
    if (!owning) return;
    delete p;
    p = nullptr;
  }
  bool eq(const T& a, const T& b) const override { return a == b; }

  bool owning;
};

// Name -> value pairs in insertion order; names are owned copies made with new[].
// Lookup is linear with strcmp, the first match winning.
template <class T>
class imapper : public std::vector<std::pair<char*, T>> {
 public:
  imapper() = default;
  imapper(const imapper&) = delete;
  imapper& operator=(const imapper&) = delete;
  virtual ~imapper() {
    for (auto& entry : *this) {
      delete[] entry.first;
      entry.first = nullptr;
    }
  }
  virtual void destruct(T&) {}

  // Appends a copy of name (null is taken as "").
  void add(const char* name, const T& value) {
    if (name == nullptr) name = "";
    char* copy = new char[std::strlen(name) + 1];
    std::strcpy(copy, name);
    this->push_back(std::make_pair(copy, value));
  }
  // Index of the first entry called name (null is taken as ""), or -1.
  int str_eq(const char* name) const {
    if (name == nullptr) name = "";
    for (size_t i = 0; i < this->size(); ++i) {
      if (std::strcmp((*this)[i].first, name) == 0) return static_cast<int>(i);
    }
    return -1;
  }
  T& get(int index) {
    if (index < 0 || static_cast<size_t>(index) >= this->size()) throw 0;
    return (*this)[index].second;
  }
  const T& get(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= this->size()) throw 0;
    return (*this)[index].second;
  }
  const char* getName(int index) const {
    if (index < 0 || static_cast<size_t>(index) >= this->size()) throw 0;
    return (*this)[index].first;
  }
};

// An imapper of pointers; when owning, it deletes its values too.
template <class T>
class pmapper : public imapper<T> {
 public:
  explicit pmapper(bool owning = false) : owning(owning) {}
  ~pmapper() override {
    if (!owning) return;
    for (auto& entry : *this) {
      delete entry.second;
      entry.second = nullptr;
    }
  }
  void destruct(T& p) override {
    if (!owning) return;
    delete p;
    p = nullptr;
  }

  bool owning;
};
