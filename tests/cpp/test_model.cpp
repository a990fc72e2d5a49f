// The inference wrapper: runtime table, load trace, element types, set/run/get
// and their errors. Small models are embedded as serialized bytes; a model
// written by examples/make_model.py comes from the build (or from
// QUORLIB_TEST_MODEL, where it names another file of the same kind).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>
#include <unistd.h>

#include "test_support.hpp"
#include "types/Model.hpp"

namespace {

using Quor::Onnx::Model;
using quor_test::expectThrows;

// y = x @ W + b; x: float 1x3, y: float 1x2, W = [[1, 2], [3, 4], [5, 6]],
// b = [0.5, -1]. IR version 9, opset 17.
const unsigned char kAffine[] = {
    0x08, 0x09, 0x12, 0x00, 0x3a, 0x8a, 0x01, 0x0a, 0x12, 0x0a, 0x01, 0x78, 0x0a, 0x01, 0x57, 0x12, 0x02, 0x78,
    0x57, 0x22, 0x06, 0x4d, 0x61, 0x74, 0x4d, 0x75, 0x6c, 0x0a, 0x0f, 0x0a, 0x02, 0x78, 0x57, 0x0a, 0x01, 0x62,
    0x12, 0x01, 0x79, 0x22, 0x03, 0x41, 0x64, 0x64, 0x12, 0x01, 0x67, 0x2a, 0x23, 0x08, 0x03, 0x08, 0x02, 0x10,
    0x01, 0x42, 0x01, 0x57, 0x4a, 0x18, 0x00, 0x00, 0x80, 0x3f, 0x00, 0x00, 0x00, 0x40, 0x00, 0x00, 0x40, 0x40,
    0x00, 0x00, 0x80, 0x40, 0x00, 0x00, 0xa0, 0x40, 0x00, 0x00, 0xc0, 0x40, 0x2a, 0x11, 0x08, 0x02, 0x10, 0x01,
    0x42, 0x01, 0x62, 0x4a, 0x08, 0x00, 0x00, 0x00, 0x3f, 0x00, 0x00, 0x80, 0xbf, 0x5a, 0x13, 0x0a, 0x01, 0x78,
    0x12, 0x0e, 0x0a, 0x0c, 0x08, 0x01, 0x12, 0x08, 0x0a, 0x02, 0x08, 0x01, 0x0a, 0x02, 0x08, 0x03, 0x62, 0x13,
    0x0a, 0x01, 0x79, 0x12, 0x0e, 0x0a, 0x0c, 0x08, 0x01, 0x12, 0x08, 0x0a, 0x02, 0x08, 0x01, 0x0a, 0x02, 0x08,
    0x02, 0x42, 0x04, 0x0a, 0x00, 0x10, 0x11};

// y = Cast<float>(x); x: int64 of shape 2, y: float of shape 2.
const unsigned char kCastInt64[] = {
    0x08, 0x09, 0x12, 0x00, 0x3a, 0x3e, 0x0a, 0x17, 0x0a, 0x01, 0x78, 0x12, 0x01, 0x79, 0x22, 0x04, 0x43, 0x61,
    0x73, 0x74, 0x2a, 0x09, 0x0a, 0x02, 0x74, 0x6f, 0x18, 0x01, 0xa0, 0x01, 0x02, 0x12, 0x01, 0x67, 0x5a, 0x0f,
    0x0a, 0x01, 0x78, 0x12, 0x0a, 0x0a, 0x08, 0x08, 0x07, 0x12, 0x04, 0x0a, 0x02, 0x08, 0x02, 0x62, 0x0f, 0x0a,
    0x01, 0x79, 0x12, 0x0a, 0x0a, 0x08, 0x08, 0x01, 0x12, 0x04, 0x0a, 0x02, 0x08, 0x02, 0x42, 0x04, 0x0a, 0x00,
    0x10, 0x11};

// The same with a float16 input (element type byte 0x0a instead of 0x07).
const unsigned char kCastFloat16[] = {
    0x08, 0x09, 0x12, 0x00, 0x3a, 0x3e, 0x0a, 0x17, 0x0a, 0x01, 0x78, 0x12, 0x01, 0x79, 0x22, 0x04, 0x43, 0x61,
    0x73, 0x74, 0x2a, 0x09, 0x0a, 0x02, 0x74, 0x6f, 0x18, 0x01, 0xa0, 0x01, 0x02, 0x12, 0x01, 0x67, 0x5a, 0x0f,
    0x0a, 0x01, 0x78, 0x12, 0x0a, 0x0a, 0x08, 0x08, 0x0a, 0x12, 0x04, 0x0a, 0x02, 0x08, 0x02, 0x62, 0x0f, 0x0a,
    0x01, 0x79, 0x12, 0x0a, 0x0a, 0x08, 0x08, 0x01, 0x12, 0x04, 0x0a, 0x02, 0x08, 0x02, 0x42, 0x04, 0x0a, 0x00,
    0x10, 0x11};

const std::string kFloatLine = "Quor::Onnx::MakeTensor:: making tensor of type 'float'\n";

// Builds a model while capturing what it prints; the model is null when the
// constructor threw, and `error` then holds the exception.
struct Loaded {
    std::unique_ptr<Model> model;
    std::string printed;
    std::exception_ptr error;
};

Loaded load(const std::string& path)
{
    Loaded result;
    ::testing::internal::CaptureStdout();
    try {
        result.model = std::make_unique<Model>(path);
    } catch (...) {
        result.error = std::current_exception();
    }
    result.printed = ::testing::internal::GetCapturedStdout();
    return result;
}

// Loads embedded bytes through a file of their own: CTest runs the tests in
// parallel processes. The model reads the file only while it is built.
template <size_t N>
Loaded loadBytes(const std::string& name, const unsigned char (&bytes)[N])
{
    const std::string path
        = ::testing::TempDir() + "quorlib_" + std::to_string(::getpid()) + "_" + name + ".onnx";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes), N);
    Loaded loaded = load(path);
    std::filesystem::remove(path);
    return loaded;
}

TEST(RuntimeTable, IsThereForVersion17)
{
    EXPECT_NE(Quor::Onnx::runtimeApi, nullptr);
    EXPECT_EQ(Quor::Onnx::apiVersion, 17u);
    EXPECT_STREQ(Quor::Onnx::runtimeVersion(), "1.17.3");
}

TEST(ModelLoad, MissingFileIsAnOrtExceptionAndPrintsNothing)
{
    const Loaded loaded = load(::testing::TempDir() + "quorlib_no_such_model.onnx");
    ASSERT_TRUE(loaded.error);
    EXPECT_EQ(loaded.printed, "");
    try {
        std::rethrow_exception(loaded.error);
    } catch (const Ort::Exception& error) {
        EXPECT_EQ(error.GetOrtErrorCode(), ORT_NO_SUCHFILE);
        EXPECT_NE(std::string(error.what()).find("quorlib_no_such_model.onnx"), std::string::npos);
    }
}

TEST(ModelLoad, BytesThatAreNotAModelAreAnOrtException)
{
    const unsigned char garbage[] = {0xde, 0xad, 0xbe, 0xef, 0x00, 0x01, 0x02, 0x03, 0xff, 0xff};
    const Loaded loaded = loadBytes("garbage", garbage);
    ASSERT_TRUE(loaded.error);
    EXPECT_EQ(loaded.printed, "");
    EXPECT_THROW(std::rethrow_exception(loaded.error), Ort::Exception);
}

TEST(ModelLoad, TraceOfTheAffineModel)
{
    const Loaded loaded = loadBytes("affine", kAffine);
    ASSERT_FALSE(loaded.error);
    EXPECT_EQ(loaded.printed, "Quor::Onnx::Model:: input name 0 'x'\n"
                              "Quor::Onnx::Model:: input shape 0 '{1, 3}'\n"
                                  + kFloatLine
                                  + "Quor::Onnx::Model:: output name 0 'y'\n"
                                    "Quor::Onnx::Model:: output shape 0 '{1, 2}'\n"
                                  + kFloatLine);
}

TEST(ModelLoad, Int64InputGetsNoFloatLineAndNoView)
{
    Loaded loaded = loadBytes("cast_int64", kCastInt64);
    ASSERT_FALSE(loaded.error);
    EXPECT_EQ(loaded.printed, "Quor::Onnx::Model:: input name 0 'x'\n"
                              "Quor::Onnx::Model:: input shape 0 '{2}'\n"
                              "Quor::Onnx::Model:: output name 0 'y'\n"
                              "Quor::Onnx::Model:: output shape 0 '{2}'\n"
                                  + kFloatLine);
    Model& m = *loaded.model;
    expectThrows<std::runtime_error>([&] { m.set<float>(0, {0}, 1.0f); },
                                     "input 'x' is not a float tensor: only float tensors can be read or written");
    // The int64 input starts as zeros, so every run yields zeros.
    m.run();
    EXPECT_EQ(m.get<float>(0, {0}), 0.0f);
    EXPECT_EQ(m.get<float>(0, {1}), 0.0f);
}

TEST(ModelLoad, Float16InputIsRejectedAfterItsLines)
{
    const Loaded loaded = loadBytes("cast_float16", kCastFloat16);
    ASSERT_TRUE(loaded.error);
    EXPECT_EQ(loaded.printed, "Quor::Onnx::Model:: input name 0 'x'\n"
                              "Quor::Onnx::Model:: input shape 0 '{2}'\n");
    expectThrows<std::runtime_error>([&] { std::rethrow_exception(loaded.error); },
                                     "Unsupported datatype 'ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT16'");
}

// --- the element-type table of MakeTensor -------------------------------------

class MakeTensorTypes : public ::testing::TestWithParam<int> {
protected:
    static void SetUpTestSuite() { s_model = loadBytes("affine_types", kAffine).model.release(); }
    static void TearDownTestSuite()
    {
        delete s_model;
        s_model = nullptr;
    }
    static Model* s_model;
};
Model* MakeTensorTypes::s_model = nullptr;

TEST_P(MakeTensorTypes, FloatGetsAViewThreeAreRejectedTheRestGetNone)
{
    ASSERT_NE(s_model, nullptr);
    const auto type = static_cast<ONNXTensorElementDataType>(GetParam());
    Ort::Value value;  // never dereferenced while the slot is filled
    Model::TensorViewVariant slot;
    ::testing::internal::CaptureStdout();
    std::string rejected;
    try {
        s_model->MakeTensor(slot, &value, type, {2}, "t");
    } catch (const std::runtime_error& error) {
        rejected = error.what();
    }
    const std::string printed = ::testing::internal::GetCapturedStdout();

    ASSERT_EQ(slot.index(), 0u);
    const bool hasView = std::get<0>(slot) != nullptr;
    switch (type) {
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT:
        EXPECT_TRUE(hasView);
        EXPECT_EQ(printed, kFloatLine);
        EXPECT_EQ(rejected, "");
        break;
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_UNDEFINED:
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT16:
    case ONNX_TENSOR_ELEMENT_DATA_TYPE_BFLOAT16: {
        const char* names[] = {"UNDEFINED", "FLOAT16", "BFLOAT16"};
        const char* name = names[type == ONNX_TENSOR_ELEMENT_DATA_TYPE_UNDEFINED ? 0
                                 : type == ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT16 ? 1
                                                                                 : 2];
        EXPECT_EQ(rejected, std::string("Unsupported datatype 'ONNX_TENSOR_ELEMENT_DATA_TYPE_") + name + "'");
        EXPECT_FALSE(hasView);
        EXPECT_EQ(printed, "");
        break;
    }
    default:
        EXPECT_FALSE(hasView);
        EXPECT_EQ(printed, "");
        EXPECT_EQ(rejected, "");
    }
}

INSTANTIATE_TEST_SUITE_P(AllElementTypes, MakeTensorTypes, ::testing::Range(0, 21));

// --- set, run, get ------------------------------------------------------------

class AffineModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        Loaded loaded = loadBytes("affine_run", kAffine);
        ASSERT_FALSE(loaded.error);
        m_model = std::move(loaded.model);
    }
    std::vector<float> output()
    {
        return {m_model->get<float>(0, {0, 0}), m_model->get<float>(0, {0, 1})};
    }
    void setInput(float a, float b, float c)
    {
        m_model->set<float>(0, {0, 0}, a);
        m_model->set<float>(0, {0, 1}, b);
        m_model->set<float>(0, {0, 2}, c);
    }
    std::unique_ptr<Model> m_model;
};

TEST_F(AffineModel, StartsFromZeros)
{
    EXPECT_EQ(output(), (std::vector<float>{0.0f, 0.0f}));
    m_model->run();
    EXPECT_EQ(output(), (std::vector<float>{0.5f, -1.0f}));  // x = 0, so y = b
}

TEST_F(AffineModel, ComputesAndKeepsInputsAcrossRuns)
{
    setInput(1.0f, 2.0f, 3.0f);
    m_model->run();
    EXPECT_EQ(output(), (std::vector<float>{22.5f, 27.0f}));
    m_model->run();
    EXPECT_EQ(output(), (std::vector<float>{22.5f, 27.0f}));
    m_model->set<float>(0, {0, 2}, 0.0f);  // x = (1, 2, 0)
    m_model->run();
    EXPECT_EQ(output(), (std::vector<float>{7.5f, 9.0f}));
}

TEST_F(AffineModel, BadPositionsThrowAndWriteNothing)
{
    setInput(1.0f, 1.0f, 1.0f);
    const std::vector<std::pair<std::vector<int64_t>, std::string>> cases = {
        {{0, 3}, "invalid location range"},
        {{1, 0}, "invalid location range"},
        {{-1, 0}, "invalid location range"},
        {{2}, "location dimensions do not match shape size"},
        {{}, "location dimensions do not match shape size"},
        {{0, 0, 0}, "location dimensions do not match shape size"},
    };
    for (const auto& [position, message] : cases) {
        SCOPED_TRACE(message);
        expectThrows<Ort::Exception>([&] { m_model->set<float>(0, position, 100.0f); }, message);
    }
    expectThrows<Ort::Exception>([&] { m_model->get<float>(0, {0, 2}); }, "invalid location range");
    m_model->run();
    EXPECT_EQ(output(), (std::vector<float>{9.5f, 11.0f}));
}

TEST_F(AffineModel, IndicesBeyondTheGroupThrow)
{
    expectThrows<std::runtime_error>([&] { m_model->set<float>(1, {0, 0}, 1.0f); },
                                     "input index 1 out of range: the model has 1 inputs");
    expectThrows<std::runtime_error>([&] { m_model->get<float>(7, {0, 0}); },
                                     "output index 7 out of range: the model has 1 outputs");
}

// Memory lent to the model: the collector's hooks see each owner the model
// alone holds, and once the model lets go of it, it refuses to run instead of
// reading freed memory.
TEST_F(AffineModel, LentMemoryIsReportedReleasedAndOutlivedByItsViews)
{
    static int references = 0;
    int object = 0;
    const Quor::ExternalOwner owner{&object, [](void*) { ++references; }, [](void*) { --references; }};
    float lent[3] = {1.0f, 2.0f, 3.0f};
    references = 1;
    const std::vector<int64_t> shape{1, 3};
    m_model->bindInput(0, lent, ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT, shape,
                       Quor::externalStorage<void>(lent, owner), false);
    m_model->run();
    EXPECT_EQ(output(), (std::vector<float>{22.5f, 27.0f}));
    std::vector<void*> seen;
    EXPECT_EQ(m_model->visitExternalOwners([&](void* o) { seen.push_back(o); return 0; }), 0);
    EXPECT_EQ(seen, std::vector<void*>{&object});
    EXPECT_EQ(m_model->visitExternalOwners([](void*) { return 7; }), 7);
    const Model::TensorMemory output = m_model->outputMemory(0);
    m_model->releaseExternalOwners();
    EXPECT_EQ(references, 0);
    const std::string released
        = "input 0 'x' has no tensor: the memory bound to it was released; bind it or set its shape again";
    expectThrows<std::runtime_error>([&] { m_model->run(); }, released);
    expectThrows<std::runtime_error>([&] { m_model->set<float>(0, {0, 0}, 1.0f); }, released);
    m_model->setInputShape(0, shape);
    m_model->run();
    EXPECT_EQ(this->output(), (std::vector<float>{0.5f, -1.0f}));
    // A handle of an output's memory keeps it after the model has given it up.
    m_model->bindOutput(0, lent, ONNX_TENSOR_ELEMENT_DATA_TYPE_FLOAT, std::vector<int64_t>{1, 2}, nullptr);
    m_model->run();
    EXPECT_EQ(std::vector<float>(lent, lent + 2), (std::vector<float>{0.5f, -1.0f}));
    EXPECT_EQ(static_cast<const float*>(output.data)[1], -1.0f);
}

// --- a model file from outside: examples/make_model.py ------------------------

TEST(ExternalModel, DenseReluFromMakeModel)
{
    const char* path = std::getenv("QUORLIB_TEST_MODEL");
    if (path == nullptr || *path == '\0')
        path = QUORLIB_DENSE_RELU_MODEL;
    Loaded loaded = load(path);
    ASSERT_FALSE(loaded.error);
    EXPECT_EQ(loaded.printed, "Quor::Onnx::Model:: input name 0 'x'\n"
                              "Quor::Onnx::Model:: input shape 0 '{1, 4}'\n"
                                  + kFloatLine
                                  + "Quor::Onnx::Model:: output name 0 'y'\n"
                                    "Quor::Onnx::Model:: output shape 0 '{1, 3}'\n"
                                  + kFloatLine);
    // The weights and bias that make_model.py writes.
    const float weights[4][3] = {{0.5f, -1.0f, 0.25f}, {1.0f, 0.5f, -0.5f}, {-0.25f, 0.75f, 1.0f}, {0.0f, -0.5f, 0.5f}};
    const float bias[3] = {0.1f, -0.2f, 0.3f};
    const float inputs[][4] = {{1.0f, 2.0f, 0.5f, -1.0f}, {0.0f, 0.0f, 0.0f, 0.0f}, {-2.0f, 1.0f, 3.0f, 0.25f}};
    Model& m = *loaded.model;
    for (const auto& x : inputs) {
        for (int64_t i = 0; i < 4; ++i)
            m.set<float>(0, {0, i}, x[i]);
        m.run();
        for (int64_t j = 0; j < 3; ++j) {
            float z = bias[j];
            for (int i = 0; i < 4; ++i)
                z += x[i] * weights[i][j];
            EXPECT_NEAR(m.get<float>(0, {0, j}), std::max(z, 0.0f), 1e-6f) << "output " << j;
        }
    }
}

}  // namespace
