// The codec on literal bytes: field encodings, header checks, CP932-aware folding.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/format/field_codec.h"
#include "engine/format/header.h"
#include "engine/format/header_builder.h"
#include "engine/index/collation.h"
#include "platform/cp932.h"
#include "platform/exceptions.h"

namespace engine::format {
namespace {

FieldDescriptor Field(FieldType type, int size, int descriptor_size = -1) {
  FieldDescriptor f;
  f.type = type;
  f.size = size;
  f.descriptor_size = descriptor_size < 0 ? size : descriptor_size;
  f.name = "F";
  return f;
}

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

std::string Encoded(const FieldDescriptor& f, const FieldValue& v) {
  std::string out(static_cast<std::size_t>(f.size), '\x55');
  std::optional<std::string> problem = EncodeField(f, v, true, out.data());
  EXPECT_FALSE(problem) << *problem;
  return out;
}

TEST(FieldCodec, DecodesTheOriginalEnginesEncodings) {
  // Values the fixtures' tables hold, by their stored bytes.
  EXPECT_EQ(DecodeField(Field(FieldType::kDate, 4), Bytes({0x80, 0x0B, 0x3D, 0xB7}).data()), FieldValue::Number(736695));
  EXPECT_EQ(DecodeField(Field(FieldType::kTime, 4), Bytes({0x80, 0x36, 0xF2, 0x68}).data()),
            FieldValue::Number(3601000));
  double stamp = DecodeField(Field(FieldType::kTimestamp, 8), Bytes({0xC2, 0xCC, 0xF9, 0x8A, 0xCB, 0x19, 0x34, 0x00}).data())
                     .number();
  EXPECT_EQ(stamp, 737456.0 * 86400000.0 + 3601000.0);  // 2020-02-01 01:00:01
  std::string bcd(17, '\0');
  bcd[0] = static_cast<char>(0xC2);
  bcd[16] = 0x23;
  bcd[15] = 0x01;
  EXPECT_DOUBLE_EQ(DecodeField(Field(FieldType::kBcd, 17, 2), bcd.data()).number(), 1.23);
  std::string negative(17, static_cast<char>(0xFF));
  negative[0] = 0x42;
  negative[15] = static_cast<char>(0xFE);
  negative[16] = static_cast<char>(0xDC);
  EXPECT_DOUBLE_EQ(DecodeField(Field(FieldType::kBcd, 17, 2), negative.data()).number(), -1.23);
  EXPECT_EQ(DecodeField(Field(FieldType::kLogical, 1), "\x81"), FieldValue::Logical(true));
  EXPECT_EQ(DecodeField(Field(FieldType::kLogical, 1), "\x80"), FieldValue::Logical(false));
  EXPECT_TRUE(DecodeField(Field(FieldType::kLong, 4), Bytes({0, 0, 0, 0}).data()).IsNull());
  EXPECT_EQ(DecodeField(Field(FieldType::kAlpha, 5), Bytes({'a', 'b', 0, 0, 0}).data()), FieldValue::Text("ab"));
  EXPECT_TRUE(DecodeField(Field(FieldType::kAlpha, 3), Bytes({0, 0, 0}).data()).IsNull());
}

TEST(FieldCodec, EncodingsSortByTheirBytesAndRoundTrip) {
  FieldDescriptor s = Field(FieldType::kShort, 2), i = Field(FieldType::kLong, 4), n = Field(FieldType::kNumber, 8);
  EXPECT_EQ(Encoded(s, FieldValue::Integer(1)), Bytes({0x80, 0x01}));
  EXPECT_EQ(Encoded(i, FieldValue::Integer(-1)), Bytes({0x7F, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Encoded(n, FieldValue::Number(0.0)), Bytes({0x80, 0, 0, 0, 0, 0, 0, 0}));
  const double numbers[] = {-1e300, -2.5, -1, -1e-300, 0, 1e-300, 1, 2.5, 1e300};
  for (std::size_t k = 1; k < std::size(numbers); ++k) {
    EXPECT_LT(Encoded(n, FieldValue::Number(numbers[k - 1])), Encoded(n, FieldValue::Number(numbers[k])));
  }
  for (double v : numbers) {
    EXPECT_EQ(DecodeField(n, Encoded(n, FieldValue::Number(v)).data()), FieldValue::Number(v));
  }
  for (std::int64_t v : {-2147483647LL, -5LL, 0LL, 7LL, 2147483647LL}) {
    EXPECT_EQ(DecodeField(i, Encoded(i, FieldValue::Integer(v)).data()), FieldValue::Integer(v));
  }
  FieldDescriptor bcd = Field(FieldType::kBcd, 17, 2);
  EXPECT_DOUBLE_EQ(DecodeField(bcd, Encoded(bcd, FieldValue::Number(-12.5)).data()).number(), -12.5);
  EXPECT_LT(Encoded(bcd, FieldValue::Number(-12.5)), Encoded(bcd, FieldValue::Number(3)));
}

TEST(FieldCodec, RefusesWhatAFieldCannotHoldWithoutCuttingAnything) {
  char out[32];
  EXPECT_TRUE(EncodeField(Field(FieldType::kShort, 2), FieldValue::Integer(-32768), true, out));
  EXPECT_TRUE(EncodeField(Field(FieldType::kShort, 2), FieldValue::Integer(40000), true, out));
  EXPECT_TRUE(EncodeField(Field(FieldType::kLong, 4), FieldValue::Text("1"), true, out));
  EXPECT_TRUE(EncodeField(Field(FieldType::kAlpha, 3), FieldValue::Text("abcd"), true, out));
  EXPECT_TRUE(EncodeField(Field(FieldType::kAlpha, 3), FieldValue::Text(std::string("a\0b", 3)), true, out));
  // A text that ends inside a double-byte character.
  EXPECT_TRUE(EncodeField(Field(FieldType::kAlpha, 4), FieldValue::Text("ab\x95"), true, out));
  std::string hyou = platform::Utf8ToCp932("表");  // trail byte 0x5C
  EXPECT_FALSE(EncodeField(Field(FieldType::kAlpha, 2), FieldValue::Text(hyou), true, out));
  EXPECT_EQ(std::string(out, 2), hyou);
  EXPECT_FALSE(EncodeField(Field(FieldType::kAlpha, 4), FieldValue::Integer(42), true, out));
  EXPECT_EQ(std::string(out, 4), std::string("42\0\0", 4));
}

TEST(Collation, FoldsAsciiLettersOnlyAndNeverATrailByte) {
  std::string text = "ab" + platform::Utf8ToCp932("ャ") + "z" + platform::Utf8ToCp932("ａ");  // ャ = 83 61
  std::string folded = text;
  FoldToUpper(folded.data(), static_cast<int>(folded.size()), true);
  EXPECT_EQ(folded, "AB" + platform::Utf8ToCp932("ャ") + "Z" + platform::Utf8ToCp932("ａ"));
}

class HeaderParse : public ::testing::Test {
 protected:
  HeaderParse() {
    HeaderSpec shape;
    shape.type = FileType::kKeyedData;
    shape.fields = {{FieldType::kLong, 4, "Code", 1}, {FieldType::kAlpha, 20, "Name", 2}};
    shape.key_fields = 1;
    shape.sort_id = "ascii";
    shape.table_name = "T.DB";
    bytes_ = BuildHeader(shape);
  }
  void ExpectCorrupt(const std::string& bytes, std::uint64_t size, const char* why) {
    try {
      Header::Parse(bytes, size, "C:\\t\\T.DB");
      ADD_FAILURE() << "no error for " << why;
    } catch (const platform::EDBEngineError& e) {
      EXPECT_NE(std::string(e.what()).find("C:\\t\\T.DB"), std::string::npos) << why;
    }
  }
  std::string bytes_;
};

TEST_F(HeaderParse, ReadsWhatTheBuilderWrote) {
  Header h = Header::Parse(bytes_, bytes_.size(), "T.DB");
  EXPECT_EQ(h.type(), FileType::kKeyedData);
  EXPECT_EQ(h.record_size(), 24);
  EXPECT_EQ(h.key_size(), 4);
  ASSERT_EQ(h.fields().size(), 2u);
  EXPECT_EQ(h.fields()[1].name, "Name");
  EXPECT_EQ(h.fields()[1].offset, 4);
  EXPECT_EQ(h.sort_id(), "ascii");
  EXPECT_EQ(h.table_name(), "T.DB");
  EXPECT_EQ(h.header_size(), 0x800);
  EXPECT_EQ(h.U32(off::kEncryption1), kLevel4Encryption1);
}

TEST_F(HeaderParse, RejectsHeadersThatDoNotAddUp) {
  ExpectCorrupt(bytes_.substr(0, 0x40), 0x40, "short file");
  ExpectCorrupt(bytes_, 0x700, "header larger than the file");
  std::string b = bytes_;
  b[off::kBlockSizeCode] = 7;
  ExpectCorrupt(b, b.size(), "block size code");
  b = bytes_;
  b[off::kRecordSize] = 25;
  ExpectCorrupt(b, b.size(), "record size");
  b = bytes_;
  b[off::kDataHeaderEnd] = 0x42;  // unknown field type
  ExpectCorrupt(b, b.size(), "field type");
  b = bytes_;
  b[off::kNumFields] = static_cast<char>(0xFF);
  b[off::kNumFields + 1] = static_cast<char>(0xFF);
  ExpectCorrupt(b, b.size(), "field count");
  b = bytes_;
  b[off::kFileType] = 9;
  ExpectCorrupt(b, b.size(), "file type");
  // The names run up to the end of the header: no terminating NUL before it.
  b = bytes_;
  std::size_t names = b.find("Code");
  b.resize(names + 3);
  b[off::kHeaderSize] = static_cast<char>(b.size() & 0xFF);
  b[off::kHeaderSize + 1] = static_cast<char>(b.size() >> 8);
  ExpectCorrupt(b, 0x2000, "unterminated names");
}

}  // namespace
}  // namespace engine::format
