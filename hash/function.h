// Every hash function of the library behind one face, for the layers above it: which function a
// run computes, its value, a running hash of it and lanes of it. Each function keeps its own
// engines and state in its folder; this only chooses among them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <variant>

#include "hash/engine.h"
#include "hash/gost2012/hash.h"
#include "hash/gost94/hash.h"

namespace verolt::hash {

struct Function {
  enum class Family : std::uint8_t { gost94, gost2012 };
  Family family = Family::gost94;
  // GOST R 34.11-94: the parameter set (0, 1, 2); GOST R 34.11-2012: the bits of the value.
  int variant = 2;

  static constexpr Function gost94(int set) { return {Family::gost94, set}; }
  static constexpr Function gost2012(int bits) { return {Family::gost2012, bits}; }
  // The bytes of a value: 32, or 64 for the 512-bit function.
  constexpr std::size_t value_size() const {
    return family == Family::gost2012 ? gost2012::value_size(variant) : 32;
  }
  friend constexpr bool operator==(const Function& a, const Function& b) {
    return a.family == b.family && a.variant == b.variant;
  }
  friend constexpr bool operator!=(const Function& a, const Function& b) { return !(a == b); }
};

// A value of a function: its first function.value_size() bytes as the function delivers them,
// the rest zero.
struct Value {
  Function function;
  std::array<std::uint8_t, 64> bytes{};

  std::size_t size() const { return function.value_size(); }
  const std::uint8_t* data() const { return bytes.data(); }
  std::uint8_t& operator[](std::size_t i) { return bytes[i]; }
  std::uint8_t operator[](std::size_t i) const { return bytes[i]; }
  friend bool operator==(const Value& a, const Value& b) {
    return a.function == b.function && a.bytes == b.bytes;
  }
  friend bool operator!=(const Value& a, const Value& b) { return !(a == b); }
};

// A running hash. A copy is a saved state: assigning it back undoes what came in between.
class Context {
 public:
  Context(Engine engine, Function function);
  // A new message of the context's function.
  void reset();
  void update(const void* data, std::size_t n);
  // Finalises into `out`; a reset must come before further use.
  void finish(Value& out);
  Function function() const { return function_; }
  Engine engine() const;

 private:
  std::variant<gost94::HashContext, gost2012::HashContext> impl_;
  Function function_;
};

// Several hashes in flight, one per lane, as hash::MessageLanes describes them.
class Lanes {
 public:
  // `lanes` 0: as many as the engine steps together at its best.
  Lanes(Engine engine, Function function, std::size_t lanes = 0);
  std::size_t size() const;
  Engine engine() const;
  void start(std::size_t lane);
  void feed(std::size_t lane, const void* data, std::size_t n);
  bool hungry(std::size_t lane) const;
  void run();
  void finish(std::size_t lane, Value& out);

 private:
  std::variant<gost94::HashLanes, gost2012::HashLanes> impl_;
  Function function_;
};

// The hash of one piece of memory.
Value hash_bytes(Function function, const void* data, std::size_t n, Engine engine = best_engine());

}  // namespace verolt::hash
