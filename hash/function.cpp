#include "hash/function.h"

#include <algorithm>
#include <type_traits>

namespace verolt::hash {

namespace {

template <class FunctionValue>
void take_value(const FunctionValue& from, Function function, Value& out) {
  out.function = function;
  out.bytes.fill(0);
  std::copy_n(from.begin(), function.value_size(), out.bytes.begin());
}

std::variant<gost94::HashContext, gost2012::HashContext> make_context(Engine engine,
                                                                      Function function) {
  if (function.family == Function::Family::gost2012) {
    return gost2012::HashContext(engine, function.variant);
  }
  return gost94::HashContext(engine, function.variant);
}

std::variant<gost94::HashLanes, gost2012::HashLanes> make_lanes(Engine engine, Function function,
                                                                std::size_t lanes) {
  if (function.family == Function::Family::gost2012) {
    return gost2012::HashLanes(engine, function.variant, lanes);
  }
  return gost94::HashLanes(engine, function.variant, lanes);
}

}  // namespace

Context::Context(Engine engine, Function function)
    : impl_(make_context(engine, function)), function_(function) {}

void Context::reset() {
  std::visit([this](auto& c) { c.hash_reset(function_.variant); }, impl_);
}

void Context::update(const void* data, std::size_t n) {
  std::visit([&](auto& c) { c.hash_update(data, n); }, impl_);
}

void Context::finish(Value& out) {
  std::visit(
      [&](auto& c) {
        typename std::decay_t<decltype(c)>::Value value{};
        c.hash_finish(value);
        take_value(value, function_, out);
      },
      impl_);
}

Engine Context::engine() const {
  return std::visit([](const auto& c) { return c.engine(); }, impl_);
}

Lanes::Lanes(Engine engine, Function function, std::size_t lanes)
    : impl_(make_lanes(engine, function, lanes)), function_(function) {}

std::size_t Lanes::size() const {
  return std::visit([](const auto& l) { return l.size(); }, impl_);
}

Engine Lanes::engine() const {
  return std::visit([](const auto& l) { return l.engine(); }, impl_);
}

void Lanes::start(std::size_t lane) {
  std::visit([&](auto& l) { l.start(lane); }, impl_);
}

void Lanes::feed(std::size_t lane, const void* data, std::size_t n) {
  std::visit([&](auto& l) { l.feed(lane, data, n); }, impl_);
}

bool Lanes::hungry(std::size_t lane) const {
  return std::visit([&](const auto& l) { return l.hungry(lane); }, impl_);
}

void Lanes::run() {
  std::visit([](auto& l) { l.run(); }, impl_);
}

void Lanes::finish(std::size_t lane, Value& out) {
  std::visit(
      [&](auto& l) {
        typename std::decay_t<decltype(l)>::Value value{};
        l.finish(lane, value);
        take_value(value, function_, out);
      },
      impl_);
}

Value hash_bytes(Function function, const void* data, std::size_t n, Engine engine) {
  Context context(engine, function);
  context.update(data, n);
  Value out{function};
  context.finish(out);
  return out;
}

}  // namespace verolt::hash
