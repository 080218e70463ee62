#include "tools/pdxtool/value_text.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "engine/errors.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"

namespace pdxtool {
namespace {

using engine::FieldValue;
using engine::format::FieldType;

constexpr long long kUnixEpochOrdinal = 719163;  // 1970-01-01 with 0001-01-01 = 1
constexpr double kMsPerDay = 86400000.0;

void Escape(std::string& out, unsigned char c) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "\\x%02X", c);
  out += hex;
}

// Control characters become escapes; a backslash stays as it is, so that the paths the
// tables hold read as the user typed them.
std::string EscapeControls(const std::string& utf8) {
  std::string out;
  for (unsigned char c : utf8) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c < 0x20 || c == 0x7F) {
      Escape(out, c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

// Days counted from 0001-01-01 = 1 to a civil date (proleptic Gregorian).
void CivilFromOrdinal(long long ordinal, long long* y, int* m, int* d) {
  long long z = ordinal - kUnixEpochOrdinal + 719468;
  long long era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097;
  long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  long long mp = (5 * doy + 2) / 153;
  *d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  *m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  *y = yoe + era * 400 + (*m <= 2 ? 1 : 0);
}

long long OrdinalFromCivil(long long y, int m, int d) {
  y -= m <= 2;
  long long era = (y >= 0 ? y : y - 399) / 400;
  long long yoe = y - era * 400;
  long long doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468 + kUnixEpochOrdinal;
}

std::string DateText(long long ordinal) {
  long long y;
  int m, d;
  CivilFromOrdinal(ordinal, &y, &m, &d);
  char s[32];
  std::snprintf(s, sizeof s, "%04lld-%02d-%02d", y, m, d);
  return s;
}

std::string TimeText(long long ms) {
  char s[32];
  std::snprintf(s, sizeof s, "%02lld:%02lld:%02lld.%03lld", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
  return s;
}

std::string NumberText(double v) {
  char s[64];
  for (int precision = 1; precision <= 17; ++precision) {
    std::snprintf(s, sizeof s, "%.*g", precision, v);
    if (std::strtod(s, nullptr) == v) break;
  }
  return s;
}

[[noreturn]] void Refuse(const engine::format::FieldDescriptor& f, const std::string& text) {
  std::string problem = "'";
  problem += text;
  problem += "' is no value for field '";
  problem += f.name;
  problem += "'.";
  engine::ThrowEngineError(problem, "");
}

}  // namespace

std::string DisplayText(const std::string& bytes, bool cp932) {
  std::string out;
  std::size_t i = 0;
  while (i < bytes.size()) {
    auto c = static_cast<unsigned char>(bytes[i]);
    if (c < 0x80) {
      out += EscapeControls(std::string(1, static_cast<char>(c)));
      ++i;
      continue;
    }
    std::size_t n = cp932 ? platform::CharLengthAt(bytes, i) : 1;
    try {
      if (!cp932) throw platform::EConvertError("");
      out += platform::Cp932ToUtf8(bytes.substr(i, n));
    } catch (const platform::EConvertError&) {
      for (std::size_t k = 0; k < n; ++k) Escape(out, static_cast<unsigned char>(bytes[i + k]));
    }
    i += n;
  }
  return out;
}

std::string DisplayValue(const engine::format::FieldDescriptor& f, const FieldValue& v, bool cp932) {
  if (v.IsNull()) return std::string();
  if (v.IsText()) {
    bool binary = f.type == FieldType::kBytes || f.type == FieldType::kBlob || f.type == FieldType::kOle ||
                  f.type == FieldType::kGraphic;
    if (binary && v.text().size() > 64) {
      char size[48];
      std::snprintf(size, sizeof size, "<%zu bytes>", v.text().size());
      return size;
    }
    return DisplayText(v.text(), cp932 && !binary);
  }
  if (v.IsLogical()) return v.logical() ? "true" : "false";
  if (v.IsInteger()) return std::to_string(v.integer());
  double n = v.number();
  switch (f.type) {
    case FieldType::kDate:
      return DateText(static_cast<long long>(n));
    case FieldType::kTime:
      return TimeText(static_cast<long long>(n));
    case FieldType::kTimestamp: {
      long long days = static_cast<long long>(std::floor(n / kMsPerDay));
      return DateText(days) + " " + TimeText(static_cast<long long>(n - static_cast<double>(days) * kMsPerDay));
    }
    case FieldType::kBcd: {
      char s[80];
      std::snprintf(s, sizeof s, "%.*f", f.descriptor_size, n);
      return s;
    }
    default:
      return NumberText(n);
  }
}

FieldValue ParseValue(const engine::format::FieldDescriptor& f, const std::string& text) {
  if (text.empty()) return FieldValue();
  char* end = nullptr;
  switch (f.type) {
    case FieldType::kShort:
    case FieldType::kLong:
    case FieldType::kAutoIncrement: {
      long long v = std::strtoll(text.c_str(), &end, 10);
      if (*end != '\0') Refuse(f, text);
      return FieldValue::Integer(v);
    }
    case FieldType::kNumber:
    case FieldType::kMoney:
    case FieldType::kBcd:
    case FieldType::kTimestamp: {
      double v = std::strtod(text.c_str(), &end);
      if (*end != '\0') Refuse(f, text);
      return FieldValue::Number(v);
    }
    case FieldType::kDate: {
      long long y;
      int m, d;
      char extra;
      if (std::sscanf(text.c_str(), "%lld-%d-%d%c", &y, &m, &d, &extra) != 3) Refuse(f, text);
      return FieldValue::Number(static_cast<double>(OrdinalFromCivil(y, m, d)));
    }
    case FieldType::kTime: {
      int h, m, s;
      char extra;
      if (std::sscanf(text.c_str(), "%d:%d:%d%c", &h, &m, &s, &extra) != 3) Refuse(f, text);
      return FieldValue::Number((h * 3600.0 + m * 60.0 + s) * 1000.0);
    }
    case FieldType::kLogical:
      if (text == "true") return FieldValue::Logical(true);
      if (text == "false") return FieldValue::Logical(false);
      Refuse(f, text);
    default:
      return FieldValue::Text(text);
  }
}

std::string ConsoleText(const std::string& cp932) {
  try {
    return platform::Cp932ToUtf8(cp932);
  } catch (const platform::EConvertError&) {
    return DisplayText(cp932, false);
  }
}

}  // namespace pdxtool
