// Splits one line of the string format into tokens at a separator character, in place:
// each separator that ends a token is overwritten with a NUL, so a token is a
// terminated text inside the reader's buffer and nothing is copied per token.
//
// Tokens stay valid while the reader lives (copy true) or while the caller's text lives
// (copy false). Not thread-safe; a reader made with copy false writes into the caller's text.
//
// A reader made with copy true copies the text when next() first splits a token off;
// until then it reads the caller's text in place (so that a decoder that reads through
// getBuffer() without writing needs no copy), and that text must stay as it is until then.
#pragma once

#include <cstddef>

namespace yox {
namespace data {
namespace impl {

class TokensReader {
 public:
  // copy true: works on a private copy of text (made by the first next()), freed by the
  // destructor.
  // copy false: works on text itself, which must be writable and outlive the reader.
  // A null text reads as the empty text.
  TokensReader(const char* text, char separator, bool copy);
  ~TokensReader();
  TokensReader(const TokensReader&) = delete;
  TokensReader& operator=(const TokensReader&) = delete;

  // The next token, up to (not including) the next separator or the end of the text. A
  // separator at the position gives an empty token; a separator that ends the text gives
  // no final empty token. Throws SerializerException "TokensReader::next(): Out of range"
  // when the position has reached the end.
  char* next();

  char getSeparator() const { return separator_; }
  size_t getPosition() const { return position_; }
  size_t getLength() const { return length_; }
  // The text read: the caller's until a private copy is made.
  const char* getBuffer() const { return text_; }
  // Moves the position forward to position (at most the length), for a decoder that
  // read the tokens up to there from getBuffer().
  void skipTo(size_t position) {
    if (position > position_) position_ = position < length_ ? position : length_;
  }
  // True when no token is left.
  bool atEnd() const { return position_ >= length_; }
  // The character at the position, NUL at the end.
  char peek() const { return atEnd() ? '\0' : text_[position_]; }
  // Characters not yet consumed; every further token consumes at least one of them,
  // except a last one that is empty.
  size_t remaining() const { return atEnd() ? 0 : length_ - position_; }

 private:
  char separator_;
  size_t position_;
  size_t length_;
  const char* text_;
  // Where next() writes: the caller's text (copy false) or the private copy; null until
  // the copy is made.
  char* buffer_;
  bool owner_;
};

}  // namespace impl
}  // namespace data
}  // namespace yox
