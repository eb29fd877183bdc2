// The command line of tockmeter-micromite: the messy line's options reach the model's options,
// and a value the model cannot use is refused with the option's name.
#include "sim/pty_server/server_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

bool Parse(std::vector<std::string> words, ServerOptions& options, std::string& error) {
    words.insert(words.begin(), "tockmeter-micromite");
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    return ParseServerOptions(static_cast<int>(argv.size()), argv.data(), options, error);
}

TEST(ServerOptions, TheMessyLineOptionsReachTheModel) {
    ServerOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--stray-every", "5", "--stray-text", "Error : stray", "--stray-at", "0.25",
                       "--zero-byte-every", "4", "--lost-every", "10", "--restart-after", "90.5",
                       "--fault-seed", "18446744073709551615", "--trim", "-3"},
                      options, error))
        << error;
    EXPECT_EQ(options.model.strayLineEvery, 5);
    EXPECT_EQ(options.model.strayLineText, "Error : stray");
    EXPECT_DOUBLE_EQ(options.model.strayLineAtFraction, 0.25);
    EXPECT_EQ(options.model.zeroByteEvery, 4);
    EXPECT_EQ(options.model.lostLineEvery, 10);
    EXPECT_EQ(options.restartAfterNanoseconds, 90500000000);
    EXPECT_EQ(options.model.lineFaultSeed, 18446744073709551615u);
    EXPECT_EQ(options.model.startTrim, -3);
}

TEST(ServerOptions, WithoutThemTheLineIsClean) {
    ServerOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--error-ppm", "345"}, options, error)) << error;
    EXPECT_EQ(options.model.strayLineEvery, 0);
    EXPECT_EQ(options.model.zeroByteEvery, 0);
    EXPECT_EQ(options.model.lostLineEvery, 0);
    EXPECT_EQ(options.restartAfterNanoseconds, -1);
    EXPECT_EQ(options.model.restartAtNanoseconds, MicromiteNever);
}

TEST(ServerOptions, RefusesValuesTheModelCannotUse) {
    const std::vector<std::vector<std::string>> cases = {
        {"--stray-every", "-1"},   {"--stray-every", "two"},  {"--stray-at", "1"},
        {"--stray-at", "-0.1"},    {"--zero-byte-every", ""}, {"--lost-every", "1.5"},
        {"--restart-after", "-2"}, {"--fault-seed", "-1"},    {"--fault-seed", "1x"},
        {"--trim", "32"},          {"--stray-text"},          {"--lost-lines", "3"},
    };
    for (const std::vector<std::string>& words : cases) {
        ServerOptions options;
        std::string error;
        EXPECT_FALSE(Parse(words, options, error)) << words[0];
        EXPECT_NE(error.find(words[0]), std::string::npos) << error;
    }
}

} // namespace
