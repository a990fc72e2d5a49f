// Reading what a model file says of itself: models built field by field with
// a small wire encoder, and two files saved by the onnx package itself.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "test_support.hpp"
#include "types/ModelFile.hpp"
#include "types/Ort.hpp"

namespace {

using namespace Quor::Onnx;
using namespace std::string_literals;

std::string varint(uint64_t v) { return v < 0x80 ? std::string(1, char(v)) : char((v & 0x7F) | 0x80) + varint(v >> 7); }
std::string num(uint32_t field, uint64_t v) { return varint(field << 3) + varint(v); }
std::string msg(uint32_t field, const std::string& body) { return varint(field << 3 | 2) + varint(body.size()) + body; }
std::span<const std::byte> bytesOf(const std::string& s) { return std::as_bytes(std::span(s)); }

std::string tensor(const std::string& name, uint64_t type) { return num(2, type) + msg(8, name); }
std::string tensorType(uint64_t type) { return msg(1, num(1, type)); }                // TypeProto
std::string value(const std::string& name, const std::string& type) { return msg(1, name) + msg(2, type); }
std::string node(const std::string& name, const std::string& body) { return msg(3, name) + body; }
std::string attribute(const std::string& name, const std::string& body) { return msg(1, name) + body; }
std::string model(const std::string& graph, const std::string& rest = "") { return num(1, 10) + msg(7, msg(2, "g") + graph) + rest; }

struct Case { std::string bytes; std::vector<std::string> beyondIr9; bool externalData = false; };
class ModelFileInspection : public ::testing::TestWithParam<Case> {};

TEST_P(ModelFileInspection, FindsWhatIr9CannotExpressAndExternalData)
{
    const auto facts = inspectModelFile(bytesOf(GetParam().bytes));
    EXPECT_EQ(facts.irVersion, 10u);
    EXPECT_EQ(facts.beyondIr9, GetParam().beyondIr9);
    EXPECT_EQ(facts.externalData, GetParam().externalData);
}

const std::string kInGraph = " of graph 'g')";
INSTANTIATE_TEST_SUITE_P(Places, ModelFileInspection, ::testing::Values(
    Case{model(msg(1, node("add", msg(5, attribute("t", msg(5, tensor("c", 1)))))) + msg(5, tensor("w", 16))
               + msg(11, value("x", tensorType(1))) + msg(12, value("y", tensorType(20))),
               msg(14, msg(1, "k") + msg(2, "v")) + msg(25, msg(1, "f") + msg(12, value("t", tensorType(1))))), {}},
    Case{model(msg(5, tensor("w", 22))), {"the element type INT4 (initializer 'w'" + kInGraph}},
    Case{model(msg(5, tensor("w", 22 + (uint64_t{1} << 32))) + msg(5, tensor("v", uint64_t(-1))) + msg(5, tensor("", 23))),
         {"the element type INT4 (initializer 'w'" + kInGraph, "the element type -1 (initializer 'v'" + kInGraph,
          "the element type 23 (an unnamed initializer" + kInGraph}},  // int32 keeps the low 32 bits
    Case{model(msg(11, value("x", tensorType(21)))), {"the element type UINT4 (input 'x'" + kInGraph}},
    Case{model(msg(12, value("y", msg(4, msg(1, msg(5, num(1, 7) + msg(2, msg(9, msg(1, tensorType(22)))))))))),
         {"the element type INT4 (output 'y'" + kInGraph}},  // sequence of map to optional tensor
    Case{model(msg(13, value("m", msg(5, num(1, 21) + msg(2, tensorType(1)))))), {"the element type UINT4 (value 'm'" + kInGraph}},
    Case{model(msg(15, msg(2, tensor("", 7)) + msg(1, tensor("s", 22)))),
         {"the element type INT4 (the values of sparse initializer 's'" + kInGraph}},
    Case{model(msg(1, node("c", msg(5, attribute("value", msg(10, tensor("", 21))))))),
         {"the element type UINT4 (attribute 'value' of node 'c'" + kInGraph}},
    Case{model(msg(1, node("c", msg(5, attribute("T", msg(15, msg(8, num(1, 22)))))))),
         {"the element type INT4 (attribute 'T' of node 'c'" + kInGraph}},
    Case{model(msg(1, node("if", msg(5, attribute("then", msg(6, msg(1, node("in", msg(8, "v2"))) + msg(2, "t"))))))),
         {"a call of overload 'v2' (node 'in' of graph 't' of attribute 'then' of node 'if'" + kInGraph}},
    Case{model("", msg(25, msg(13, "v2") + msg(1, "f") + msg(7, node("n", msg(8, "v3"))) + msg(11, attribute("a", msg(5, tensor("", 22)))))),
         {"a call of overload 'v3' (node 'n' of function 'f')", "the element type INT4 (attribute 'a' of function 'f')",
          "an overloaded function 'f' (overload 'v2')"}},
    Case{model("", msg(20, msg(2, msg(2, "train") + msg(5, tensor("w", 22))))), {"the element type INT4 (initializer 'w' of graph 'train')"}},
    Case{model(msg(5, tensor("w", 1) + num(14, 1))), {}, true},
    Case{model(msg(1, node("c", msg(5, attribute("value", msg(5, tensor("", 1) + msg(13, msg(1, "location")))))))), {}, true},
    // known numbers with another wire type, and unknown fields of every wire type, are skipped
    Case{model(num(11, 5) + "\x2d\x16\0\0\0"s + "\x29" + std::string(8, '\x16') + "\x23\x08\x16\x0b\x08\x16\x0c\x24", num(7, 22)), {}}));

const std::string kTooDeep = [] {
    std::string type = tensorType(22);
    for (int i = 0; i < 50; ++i)
        type = msg(4, msg(1, type));
    return model(msg(11, value("x", type)));
}();

class MalformedModelFile : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(MalformedModelFile, IsRefusedWithTheReasonAndPlace)
{
    const auto& [bytes, reason] = GetParam();
    EXPECT_EQ(quor_test::errorOf<std::invalid_argument>([&] { inspectModelFile(bytesOf(bytes)); }),
              "not an ONNX model file: " + reason);
}

INSTANTIATE_TEST_SUITE_P(Inputs, MalformedModelFile, ::testing::Values(
    std::pair<std::string, std::string>{"\x08", "truncated varint at byte 1"},
    std::pair<std::string, std::string>{"\x08\x0a\x3a\x05\x0a\x01", "field running past the end at byte 2"},
    std::pair<std::string, std::string>{model(msg(5, "\x10\x80\x80")), "truncated varint at byte 10"},
    std::pair<std::string, std::string>{"\x08" + std::string(10, '\x80') + "\x01", "varint longer than 10 bytes at byte 1"},
    std::pair<std::string, std::string>{"\x08" + std::string(9, '\xff') + "\x02", "varint beyond 64 bits at byte 1"},
    std::pair<std::string, std::string>{kTooDeep, "messages nested more than 100 deep at byte 251"},
    std::pair<std::string, std::string>{[] { std::string g; for (int i = 0; i < 101; ++i) g = "\x1b" + g + "\x1c"; return g; }(),
                                        "groups nested too deeply at byte 100"},
    std::pair<std::string, std::string>{"\x1b\x08\x01", "group without its end at byte 0"},
    std::pair<std::string, std::string>{"\x1b\x24", "end of another group at byte 1"},
    std::pair<std::string, std::string>{"\x08\x0a\x1c", "end of a group that was never started at byte 2"},
    std::pair<std::string, std::string>{"\x0e", "invalid wire type at byte 0"},
    std::pair<std::string, std::string>{"\x00\x00"s, "invalid field number at byte 0"}));

TEST(ModelFileRewrite, SetsTheIrVersionFirstAndCopiesEverythingElse)
{
    const std::string rest = msg(7, msg(2, "g")) + msg(8, msg(1, "") + num(2, 20));
    const std::string original = rest.substr(0, 5) + num(1, 10) + rest.substr(5) + num(1, 11);
    const auto rewritten = withIrVersion(bytesOf(original), 9);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(rewritten.data()), rewritten.size()), num(1, 9) + rest);
    EXPECT_EQ(inspectModelFile(rewritten).irVersion, 9u);
    EXPECT_EQ(inspectModelFile(bytesOf(rest)).irVersion, 0u);
    EXPECT_THROW(withIrVersion(bytesOf(original.substr(0, 3)), 9), std::invalid_argument);
}

// Files saved by the onnx package at its default IR version, 10: the runtime
// refuses the plain one as it is and opens it once rewritten to IR 9.
TEST(ModelFileSaved, PlainOneOpensAsIr9AndTheInt4OneSaysWhy)
{
    const auto plain = readModelFile(QUORLIB_IR10_PLAIN_MODEL);
    const auto facts = inspectModelFile(plain);
    EXPECT_EQ(facts.irVersion, 10u);
    EXPECT_TRUE(facts.beyondIr9.empty());
    EXPECT_FALSE(facts.externalData);
    EXPECT_EQ(inspectModelFile(readModelFile(QUORLIB_IR10_INT4_MODEL)).beyondIr9,
              std::vector<std::string>{"the element type INT4 (initializer 'w' of graph 'ir10')"});

    Ort::Env env(ORT_LOGGING_LEVEL_FATAL, "model-file-test");
    EXPECT_THROW((void)Ort::Session(env, QUORLIB_IR10_PLAIN_MODEL, Ort::SessionOptions()), Ort::Exception);
    const auto path = std::filesystem::path(::testing::TempDir()) / "ir9_rewrite.onnx";
    const auto rewritten = withIrVersion(plain, 9);
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(rewritten.data()), rewritten.size());
    EXPECT_NO_THROW((void)Ort::Session(env, path.c_str(), Ort::SessionOptions()));
    std::filesystem::remove(path);

    EXPECT_EQ(quor_test::errorOf<std::runtime_error>([&] { readModelFile(path.string()); }),
              "cannot open the model file '" + path.string() + "': No such file or directory");
    EXPECT_EQ(quor_test::errorOf<std::runtime_error>([&] { readModelFile(::testing::TempDir()); }),
              "cannot read the model file '" + ::testing::TempDir() + "': Is a directory");
}

}  // namespace
