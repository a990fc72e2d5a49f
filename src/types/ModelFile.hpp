#pragma once
// What a serialized model says of itself, read straight from its wire format
// without a schema library: its IR version, whatever in it a reader of IR 9
// cannot express, and whether tensor data lives in files beside it. The
// runtime refuses IR 10 files outright, yet IR 10 only added the 4-bit
// element types, overloads of functions, and fields an IR 9 reader skips as
// unknown; a file that uses neither of the first two means the same when it
// is handed over again with its version field set to 9.
//
// The bytes are untrusted: every read is bounds-checked, varints are limited
// to 64 bits, nesting to the depth the runtime's own parser accepts, and
// malformed input throws std::invalid_argument naming the byte offset.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>
#include <vector>

#include "types/Utf8.hpp"

namespace Quor::Onnx {

// What a serialized ModelProto says of itself, as far as opening it with a
// runtime that reads IR 9 goes. The facts speak of what IR 10 added: a file
// of a later version may hold more than they can tell.
struct ModelFileFacts {
    uint64_t irVersion = 0;              // 0 where the file gives none
    // Each thing IR 9 cannot express, described for a message, e.g. "the
    // element type INT4 (initializer 'w' of graph 'main')"; empty when the
    // file means the same read as IR 9. Past kMaxListed of them, one last
    // entry says how many more there are.
    std::vector<std::string> beyondIr9;
    bool externalData = false;           // some tensor's data lives in a file beside the model
    static constexpr size_t kMaxListed = 20;
};

namespace wire {

// Nesting beyond this is refused, as the runtime's parser refuses it.
inline constexpr int kMaxModelNesting = 100;
// Names quoted in descriptions are cut to this many bytes.
inline constexpr size_t kMaxQuotedName = 64;

[[noreturn]] inline void malformedModel(std::string_view why, size_t at)
{
    throw std::invalid_argument("not an ONNX model file: " + std::string(why) + " at byte " + std::to_string(at));
}

enum class WireType : uint8_t { Varint = 0, Fixed64 = 1, Length = 2, StartGroup = 3, EndGroup = 4, Fixed32 = 5 };

// A message's bytes and where they start in the file, for error offsets.
struct WireMessage {
    std::span<const std::byte> bytes;
    size_t offset = 0;
};

struct WireField {
    uint32_t number = 0;
    WireType type = WireType::Varint;
    uint64_t value = 0;       // of a varint
    WireMessage payload;      // of a length-delimited field
    size_t begin = 0, end = 0;  // the whole field, tag included, in the file

    bool isVarint(uint32_t n) const { return number == n && type == WireType::Varint; }
    bool isLength(uint32_t n) const { return number == n && type == WireType::Length; }
    std::string_view text() const
    {
        return {reinterpret_cast<const char*>(payload.bytes.data()), payload.bytes.size()};
    }
};

// Reads the fields of one message in order.
class WireReader {
public:
    explicit WireReader(WireMessage message) : m_bytes(message.bytes), m_offset(message.offset) {}

    bool atEnd() const { return m_pos == m_bytes.size(); }

    // The next field of a message nested `depth` deep. Groups are skipped
    // whole: no field of a model is one, but unknown fields may be.
    WireField next(int depth)
    {
        WireField field = read(depth);
        if (field.type == WireType::EndGroup)
            malformedModel("end of a group that was never started", field.begin);
        return field;
    }

private:
    size_t here() const { return m_offset + m_pos; }

    uint64_t varint()
    {
        const size_t start = here();
        uint64_t value = 0;
        for (int i = 0; i < 10; ++i) {
            if (atEnd())
                malformedModel("truncated varint", start);
            const auto byte = static_cast<uint8_t>(m_bytes[m_pos++]);
            if (i == 9 && byte > 1)
                malformedModel(byte & 0x80 ? "varint longer than 10 bytes" : "varint beyond 64 bits", start);
            value |= static_cast<uint64_t>(byte & 0x7F) << (7 * i);
            if (!(byte & 0x80))
                return value;
        }
        malformedModel("varint longer than 10 bytes", start);  // not reached: the 10th byte ends it or throws
    }

    WireMessage take(uint64_t count, size_t fieldBegin)
    {
        if (count > m_bytes.size() - m_pos)
            malformedModel("field running past the end", fieldBegin);
        const WireMessage taken{m_bytes.subspan(m_pos, static_cast<size_t>(count)), here()};
        m_pos += static_cast<size_t>(count);
        return taken;
    }

    WireField read(int depth)
    {
        WireField field;
        field.begin = here();
        const uint64_t tag = varint();
        if (tag > UINT32_MAX || tag >> 3 == 0)
            malformedModel("invalid field number", field.begin);
        field.number = static_cast<uint32_t>(tag >> 3);
        switch (tag & 7) {
        case 0: field.value = varint(); break;
        case 1: take(8, field.begin); break;
        case 2: field.payload = take(varint(), field.begin); break;
        case 5: take(4, field.begin); break;
        case 4: break;
        case 3:
            if (depth + 1 > kMaxModelNesting)
                malformedModel("groups nested too deeply", field.begin);
            for (;;) {
                if (atEnd())
                    malformedModel("group without its end", field.begin);
                const WireField inner = read(depth + 1);
                if (inner.type == WireType::EndGroup) {
                    if (inner.number != field.number)
                        malformedModel("end of another group", inner.begin);
                    break;
                }
            }
            break;
        default: malformedModel("invalid wire type", field.begin);
        }
        field.type = static_cast<WireType>(tag & 7);
        field.end = here();
        return field;
    }

    std::span<const std::byte> m_bytes;
    size_t m_offset;
    size_t m_pos = 0;
};

// Field numbers of the messages walked, from the format's schema. A field
// whose wire type is not the declared one is an unknown field to the
// runtime's parser, and is skipped here as well.
namespace fields {
    inline constexpr uint32_t modelIrVersion = 1, modelGraph = 7, modelTrainingInfo = 20, modelFunctions = 25;
    inline constexpr uint32_t trainingInitialization = 1, trainingAlgorithm = 2;
    inline constexpr uint32_t graphNode = 1, graphName = 2, graphInitializer = 5, graphInput = 11, graphOutput = 12,
                              graphValueInfo = 13, graphSparseInitializer = 15;
    inline constexpr uint32_t nodeName = 3, nodeAttribute = 5, nodeOverload = 8;
    inline constexpr uint32_t attributeName = 1, attributeTensor = 5, attributeGraph = 6, attributeTensors = 10,
                              attributeGraphs = 11, attributeType = 14, attributeTypes = 15,
                              attributeSparseTensor = 22, attributeSparseTensors = 23;
    inline constexpr uint32_t tensorDataType = 2, tensorName = 8, tensorExternalData = 13, tensorDataLocation = 14;
    inline constexpr uint32_t sparseValues = 1, sparseIndices = 2;
    inline constexpr uint32_t valueInfoName = 1, valueInfoType = 2;
    inline constexpr uint32_t typeTensor = 1, typeSequence = 4, typeMap = 5, typeSparseTensor = 8, typeOptional = 9;
    inline constexpr uint32_t tensorTypeElement = 1;     // TypeProto.Tensor and .SparseTensor: an element type
    inline constexpr uint32_t containerElement = 1;      // TypeProto.Sequence and .Optional: a TypeProto
    inline constexpr uint32_t mapKey = 1, mapValue = 2;  // an element type and a TypeProto
    inline constexpr uint32_t functionName = 1, functionNode = 7, functionAttribute = 11, functionValueInfo = 12,
                              functionOverload = 13;
}  // namespace fields

// Walks a ModelProto through every place a 4-bit element type, an overload
// or external tensor data can be. Every occurrence counts, even one that a
// later field of the same number would override.
class ModelFileInspector {
public:
    ModelFileFacts inspect(std::span<const std::byte> bytes)
    {
        model({bytes, 0});
        for (Finding& finding : m_found)
            m_facts.beyondIr9.push_back(finding.where.empty() ? std::move(finding.what)
                                                              : finding.what + " (" + finding.where + ")");
        if (m_unlisted > 0)
            m_facts.beyondIr9.push_back("and " + std::to_string(m_unlisted) + " more");
        return std::move(m_facts);
    }

private:
    struct Finding {
        std::string what;
        std::string where;  // innermost place first: "initializer 'w' of graph 'main'"
    };

    static std::string quoted(std::string_view name)
    {
        if (name.size() <= kMaxQuotedName)
            return "'" + Quor::detail::escapeInvalidUtf8(name) + "'";
        return "'" + Quor::detail::escapeInvalidUtf8(name.substr(0, kMaxQuotedName)) + "...'";
    }
    static std::string named(std::string_view role, std::string_view name)
    {
        return name.empty() ? "an unnamed " + std::string(role) : std::string(role) + " " + quoted(name);
    }

    void note(std::string what)
    {
        if (m_found.size() < ModelFileFacts::kMaxListed)
            m_found.push_back({std::move(what), {}});
        else
            ++m_unlisted;
    }
    // Says of the findings from `first` on that they lie in `place`.
    void place(size_t first, std::string_view place)
    {
        for (size_t i = first; i < m_found.size(); ++i)
            m_found[i].where += (m_found[i].where.empty() ? "" : " of ") + std::string(place);
    }
    // Walks a nested message whose walk returns its name, and places what
    // was found in it as `role` with that name.
    template <typename Walk>
    void walkNamed(std::string_view role, Walk&& walk)
    {
        const size_t first = m_found.size();
        const std::string name = walk();
        place(first, named(role, name));
    }

    static void enter(WireMessage message, int depth)
    {
        if (depth > kMaxModelNesting)
            malformedModel("messages nested more than " + std::to_string(kMaxModelNesting) + " deep", message.offset);
    }

    void elementType(uint64_t value)
    {
        // An int32 field keeps the low 32 bits of its varint. IR 9 knows the
        // types up to 20; later ones (21 UINT4, 22 INT4) it cannot express.
        const auto type = static_cast<int32_t>(static_cast<uint32_t>(value));
        if (type >= 0 && type <= 20)
            return;
        note("the element type " + (type == 21 ? std::string("UINT4") : type == 22 ? "INT4" : std::to_string(type)));
    }

    void model(WireMessage message)
    {
        for (WireReader reader(message); !reader.atEnd();) {
            const WireField field = reader.next(0);
            if (field.isVarint(fields::modelIrVersion))
                m_facts.irVersion = field.value;
            else if (field.isLength(fields::modelGraph))
                graph(field.payload, 1);
            else if (field.isLength(fields::modelTrainingInfo))
                trainingInfo(field.payload, 1);
            else if (field.isLength(fields::modelFunctions))
                function(field.payload, 1);
        }
    }

    void trainingInfo(WireMessage message, int depth)
    {
        enter(message, depth);
        for (WireReader reader(message); !reader.atEnd();) {
            const WireField field = reader.next(depth);
            if (field.isLength(fields::trainingInitialization) || field.isLength(fields::trainingAlgorithm))
                graph(field.payload, depth + 1);
        }
    }

    void graph(WireMessage message, int depth)
    {
        enter(message, depth);
        const size_t first = m_found.size();
        std::string name;
        for (WireReader reader(message); !reader.atEnd();) {
            const WireField field = reader.next(depth);
            const auto within = [&](std::string_view role, auto walk) {
                walkNamed(role, [&] { return (this->*walk)(field.payload, depth + 1); });
            };
            if (field.isLength(fields::graphName))
                name = field.text();
            else if (field.isLength(fields::graphNode))
                within("node", &ModelFileInspector::node);
            else if (field.isLength(fields::graphInitializer))
                within("initializer", &ModelFileInspector::tensor);
            else if (field.isLength(fields::graphSparseInitializer))
                within("sparse initializer", &ModelFileInspector::sparseTensor);
            else if (field.isLength(fields::graphInput))
                within("input", &ModelFileInspector::valueInfo);
            else if (field.isLength(fields::graphOutput))
                within("output", &ModelFileInspector::valueInfo);
            else if (field.isLength(fields::graphValueInfo))
                within("value", &ModelFileInspector::valueInfo);
        }
        place(first, named("graph", name));
    }

    void function(WireMessage message, int depth)
    {
        enter(message, depth);
        const size_t first = m_found.size();
        std::string name, overload;
        for (WireReader reader(message); !reader.atEnd();) {
            const WireField field = reader.next(depth);
            const auto within = [&](std::string_view role, auto walk) {
                walkNamed(role, [&] { return (this->*walk)(field.payload, depth + 1); });
            };
            if (field.isLength(fields::functionName))
                name = field.text();
            else if (field.isLength(fields::functionOverload) && !field.text().empty())
                overload = field.text();
            else if (field.isLength(fields::functionNode))
                within("node", &ModelFileInspector::node);
            else if (field.isLength(fields::functionAttribute))
                within("attribute", &ModelFileInspector::attribute);
            else if (field.isLength(fields::functionValueInfo))
                within("value", &ModelFileInspector::valueInfo);
        }
        place(first, named("function", name));
        if (!overload.empty())
            note("an overloaded " + named("function", name) + " (overload " + quoted(overload) + ")");
    }

    std::string node(WireMessage message, int depth)
    {
        enter(message, depth);
        std::string name;
        for (WireReader reader(message); !reader.atEnd();) {
            const WireField field = reader.next(depth);
            if (field.isLength(fields::nodeName))
                name = field.text();
            else if (field.isLength(fields::nodeOverload) && !field.text().empty())
                note("a call of overload " + quoted(field.text()));
            else if (field.isLength(fields::nodeAttribute))
                walkNamed("attribute", [&] { return attribute(field.payload, depth + 1); });
        }
        return name;
    }

    // The tensors, graphs and types an attribute holds are placed in the
    // attribute itself; graphs name themselves.
    std::string attribute(WireMessage message, int depth)
    {
        enter(message, depth);
        std::string name;
        for (WireReader reader(message); !reader.atEnd();) {
            const WireField field = reader.next(depth);
            if (field.type != WireType::Length)
                continue;
            switch (field.number) {
            case fields::attributeName: name = field.text(); break;
            case fields::attributeTensor:
            case fields::attributeTensors: tensor(field.payload, depth + 1); break;
            case fields::attributeGraph:
            case fields::attributeGraphs: graph(field.payload, depth + 1); break;
            case fields::attributeType:
            case fields::attributeTypes: type(field.payload, depth + 1); break;
            case fields::attributeSparseTensor:
            case fields::attributeSparseTensors: sparseTensor(field.payload, depth + 1); break;
            default: break;
            }
        }
        return name;
    }

    std::string tensor(WireMessage message, int depth)
    {
        enter(message, depth);
        std::string name;
        for (WireReader reader(message); !reader.atEnd();) {
            const WireField field = reader.next(depth);
            if (field.isVarint(fields::tensorDataType))
                elementType(field.value);
            else if (field.isLength(fields::tensorName))
                name = field.text();
            else if (field.isLength(fields::tensorExternalData))
                m_facts.externalData = true;
            else if (field.isVarint(fields::tensorDataLocation) && static_cast<uint32_t>(field.value) == 1)
                m_facts.externalData = true;  // EXTERNAL
        }
        return name;
    }

    // A sparse tensor's name is that of its values.
    std::string sparseTensor(WireMessage message, int depth)
    {
        enter(message, depth);
        std::string name;
        for (WireReader reader(message); !reader.atEnd();) {
            const WireField field = reader.next(depth);
            const size_t first = m_found.size();
            if (field.isLength(fields::sparseValues)) {
                name = tensor(field.payload, depth + 1);
                place(first, "the values");
            } else if (field.isLength(fields::sparseIndices)) {
                tensor(field.payload, depth + 1);
                place(first, "the indices");
            }
        }
        return name;
    }

    std::string valueInfo(WireMessage message, int depth)
    {
        enter(message, depth);
        std::string name;
        for (WireReader reader(message); !reader.atEnd();) {
            const WireField field = reader.next(depth);
            if (field.isLength(fields::valueInfoName))
                name = field.text();
            else if (field.isLength(fields::valueInfoType))
                type(field.payload, depth + 1);
        }
        return name;
    }

    // A TypeProto, found wholly inside the value or attribute it types.
    void type(WireMessage message, int depth)
    {
        enter(message, depth);
        for (WireReader reader(message); !reader.atEnd();) {
            const WireField field = reader.next(depth);
            if (field.type != WireType::Length)
                continue;
            if (field.number == fields::typeTensor || field.number == fields::typeSparseTensor)
                typeParts(field.payload, depth + 1, fields::tensorTypeElement, 0);
            else if (field.number == fields::typeSequence || field.number == fields::typeOptional)
                typeParts(field.payload, depth + 1, 0, fields::containerElement);
            else if (field.number == fields::typeMap)
                typeParts(field.payload, depth + 1, fields::mapKey, fields::mapValue);
        }
    }

    // The inner message of a TypeProto: `elementField` holds an element
    // type and `typeField` a nested TypeProto (0 where it has none).
    void typeParts(WireMessage message, int depth, uint32_t elementField, uint32_t typeField)
    {
        enter(message, depth);
        for (WireReader reader(message); !reader.atEnd();) {
            const WireField field = reader.next(depth);
            if (elementField != 0 && field.isVarint(elementField))
                elementType(field.value);
            else if (typeField != 0 && field.isLength(typeField))
                type(field.payload, depth + 1);
        }
    }

    ModelFileFacts m_facts;
    std::vector<Finding> m_found;
    size_t m_unlisted = 0;
};

[[noreturn]] inline void modelFileError(std::string_view doing, const std::string& path, int error)
{
    throw std::runtime_error("cannot " + std::string(doing) + " the model file '" + Quor::detail::escapeInvalidUtf8(path)
                             + "': " + std::generic_category().message(error));
}

inline void appendVarint(std::vector<std::byte>& out, uint64_t value)
{
    for (; value >= 0x80; value >>= 7)
        out.push_back(static_cast<std::byte>((value & 0x7F) | 0x80));
    out.push_back(static_cast<std::byte>(value));
}

}  // namespace wire

// Throws std::invalid_argument where the bytes are not well-formed wire data.
inline ModelFileFacts inspectModelFile(std::span<const std::byte> bytes)
{
    return wire::ModelFileInspector().inspect(bytes);
}

// The same ModelProto with its IR version set to `version`: that field comes
// first, every field of number 1 is dropped, and all others are copied byte
// for byte in their order. Malformed bytes throw as inspectModelFile does.
inline std::vector<std::byte> withIrVersion(std::span<const std::byte> bytes, uint64_t version)
{
    std::vector<std::byte> result;
    result.reserve(bytes.size() + 11);
    wire::appendVarint(result, uint64_t{wire::fields::modelIrVersion} << 3);  // a varint field
    wire::appendVarint(result, version);
    for (wire::WireReader reader({bytes, 0}); !reader.atEnd();) {
        const wire::WireField field = reader.next(0);
        if (field.number != wire::fields::modelIrVersion)
            result.insert(result.end(), bytes.begin() + field.begin, bytes.begin() + field.end);
    }
    return result;
}

// The whole file at `path`; failure throws std::runtime_error naming the
// path and the system's reason.
inline std::vector<std::byte> readModelFile(const std::string& path)
{
    constexpr size_t kChunk = size_t{1} << 20;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        wire::modelFileError("open", path, errno);
    std::vector<std::byte> bytes;
    std::error_code sizeUnknown;
    if (const auto size = std::filesystem::file_size(path, sizeUnknown); !sizeUnknown)
        bytes.reserve(static_cast<size_t>(size) + kChunk);  // the last, short read fits without a copy
    for (size_t count = kChunk; count == kChunk;) {
        const size_t old = bytes.size();
        bytes.resize(old + kChunk);
        count = std::fread(bytes.data() + old, 1, kChunk, file);
        bytes.resize(old + count);
    }
    const int error = errno;
    const bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed)
        wire::modelFileError("read", path, error);
    return bytes;
}

}  // namespace Quor::Onnx
