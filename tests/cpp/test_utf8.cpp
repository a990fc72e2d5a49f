#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "types/Utf8.hpp"

using Quor::detail::escapeInvalidUtf8;

class EscapeInvalidUtf8 : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(EscapeInvalidUtf8, KeepsWellFormedTextAndEscapesTheRest)
{
    EXPECT_EQ(escapeInvalidUtf8(GetParam().first), GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EscapeInvalidUtf8,
    ::testing::Values(std::pair<std::string, std::string>{"", ""},
                      std::pair<std::string, std::string>{"plain ascii", "plain ascii"},
                      std::pair<std::string, std::string>{"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"},
                      std::pair<std::string, std::string>{"a\xff" "b", "a\\xffb"},
                      std::pair<std::string, std::string>{"\xc3", "\\xc3"},                  // truncated at the end
                      std::pair<std::string, std::string>{"\xc0\xaf", "\\xc0\\xaf"},         // overlong
                      std::pair<std::string, std::string>{"\xed\xa0\x80", "\\xed\\xa0\\x80"},  // surrogate
                      std::pair<std::string, std::string>{"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},  // past U+10FFFF
                      std::pair<std::string, std::string>{"\xe2\x82x", "\\xe2\\x82x"}));
