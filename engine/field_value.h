// A value read from a table field.
#ifndef HINMEI_ENGINE_FIELD_VALUE_H_
#define HINMEI_ENGINE_FIELD_VALUE_H_

#include <cstdint>
#include <string>
#include <variant>

namespace engine {

// Null (a blank field), an integer (S, I, + fields), a number (N, $, #, and dates and
// times as their day or millisecond counts), a logical, or text (A and memo fields, CP932).
class FieldValue {
 public:
  FieldValue() = default;
  static FieldValue Integer(std::int64_t value) { return FieldValue(value); }
  static FieldValue Number(double value) { return FieldValue(value); }
  static FieldValue Logical(bool value) { return FieldValue(value); }
  static FieldValue Text(std::string value) { return FieldValue(std::move(value)); }

  bool IsNull() const { return std::holds_alternative<std::monostate>(value_); }
  bool IsInteger() const { return std::holds_alternative<std::int64_t>(value_); }
  bool IsNumber() const { return std::holds_alternative<double>(value_); }
  bool IsLogical() const { return std::holds_alternative<bool>(value_); }
  bool IsText() const { return std::holds_alternative<std::string>(value_); }

  std::int64_t integer() const { return std::get<std::int64_t>(value_); }
  double number() const { return std::get<double>(value_); }
  bool logical() const { return std::get<bool>(value_); }
  const std::string& text() const { return std::get<std::string>(value_); }

  bool operator==(const FieldValue&) const = default;

 private:
  template <typename T>
  explicit FieldValue(T value) : value_(std::move(value)) {}

  std::variant<std::monostate, std::int64_t, double, bool, std::string> value_;
};

}  // namespace engine

#endif  // HINMEI_ENGINE_FIELD_VALUE_H_
