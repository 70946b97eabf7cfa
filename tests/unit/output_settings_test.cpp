// The settings file: defaults, what present but empty or long values read as, and what a
// save writes, against an in-memory private-profile store.
#include "settings/output_settings.h"

#include <gtest/gtest.h>

#include "fakes/fake_profile.h"
#include "install/printer_constants.h"

namespace {

using velmora::LoadOutputSettings;
using velmora::OutputSettings;
using velmora::SaveOutputSettings;

class OutputSettingsTest : public ::testing::Test {
  protected:
    std::vector<std::string> WrittenKeys() const {
        std::vector<std::string> keys;
        for (const auto& write : profile.writes) {
            EXPECT_EQ(write.file, "zarvoprintsetup.ini");
            EXPECT_EQ(write.section, "zarvoprinter");
            keys.push_back(write.key + "=" + write.value);
        }
        return keys;
    }
    fakes::FakeProfile profile;
};

TEST_F(OutputSettingsTest, NoFileGivesTheDefaultsAndSavingThemCreatesTheSection) {
    const OutputSettings loaded = LoadOutputSettings(profile);
    EXPECT_EQ(loaded.m_bRunExe, 0);
    EXPECT_EQ(loaded.m_strExeName, "zarvoconv.exe");
    EXPECT_EQ(loaded.m_strOutType, "BMP");
    EXPECT_EQ(loaded.m_strOutPath, "c:\\");
    EXPECT_EQ(loaded.m_bOverwrite, 0);
    EXPECT_FALSE(profile.Exists(velmora::kSettingsFile)) << "reading never writes";

    SaveOutputSettings(profile, loaded);
    EXPECT_EQ(profile.Text("ZARVOPRINTSETUP.INI"),
              "[zarvoprinter]\nexe=0\nexename=zarvoconv.exe\nouttype=BMP\noutpath=c:\\\n"
              "overwrite=0\n");
}

TEST_F(OutputSettingsTest, PresentEmptyValuesAreNotDefaults) {
    profile.SetText("zarvoprintsetup.ini",
                    "[ZarvoPrinter]\nEXE=\nexename=\nouttype=\noutpath=\noverwrite=7x\n");
    const OutputSettings loaded = LoadOutputSettings(profile);
    EXPECT_EQ(loaded.m_bRunExe, 0);
    EXPECT_EQ(loaded.m_strExeName, "");
    EXPECT_EQ(loaded.m_strOutType, "");
    EXPECT_EQ(loaded.m_strOutPath, "");
    EXPECT_EQ(loaded.m_bOverwrite, 7);
}

TEST_F(OutputSettingsTest, LongValueIsSavedWholeAndReadBackAs1023Bytes) {
    OutputSettings settings;
    settings.m_strOutPath = std::string(2000, 'p');
    settings.m_strExeName = "\xD7\xAA\xBB\xBB.exe";  // code page 936 text, byte for byte
    SaveOutputSettings(profile, settings);
    EXPECT_NE(profile.Text(velmora::kSettingsFile).find(std::string(2000, 'p') + "\n"),
              std::string::npos);

    const OutputSettings loaded = LoadOutputSettings(profile);
    EXPECT_EQ(loaded.m_strOutPath, std::string(1023, 'p'));
    EXPECT_EQ(loaded.m_strExeName, settings.m_strExeName);
}

TEST_F(OutputSettingsTest, SaveRewritesAllFiveKeysInOrderAndKeepsEverythingElse) {
    profile.SetText("zarvoprintsetup.ini",
                    "; written by hand\n[other]\nexe=9\n[ZARVOPRINTER]\nOutType=PNG\n"
                    "; keep me\nextra=1\n\n[last]\nx=y\n");
    OutputSettings settings = LoadOutputSettings(profile);
    EXPECT_EQ(settings.m_bRunExe, 0) << "another section's key is not ours";
    EXPECT_EQ(settings.m_strOutType, "PNG");

    settings.m_bRunExe = 5;
    settings.m_bOverwrite = -1;
    SaveOutputSettings(profile, settings);
    SaveOutputSettings(profile, settings);  // nothing changed: all five are written again
    const std::vector<std::string> once = {"exe=1", "exename=zarvoconv.exe", "outtype=PNG",
                                           "outpath=c:\\", "overwrite=1"};
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(WrittenKeys(), twice);
    EXPECT_EQ(profile.Text("zarvoprintsetup.ini"),
              "; written by hand\n[other]\nexe=9\n[ZARVOPRINTER]\nOutType=PNG\n; keep me\n"
              "extra=1\nexe=1\nexename=zarvoconv.exe\noutpath=c:\\\noverwrite=1\n\n[last]\nx=y\n");

    settings.m_bRunExe = 0;
    SaveOutputSettings(profile, settings);
    EXPECT_EQ(LoadOutputSettings(profile).m_bRunExe, 0);
    EXPECT_EQ(profile.writes.back().value, "1");
    EXPECT_EQ(profile.writes[profile.writes.size() - 5].value, "0");
}

}  // namespace
