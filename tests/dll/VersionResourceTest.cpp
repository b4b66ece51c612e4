// The plug-in DLL's version information, read back from the built file with the Windows version
// API as Explorer's file properties and hosts' plug-in scanners read it.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace {

constexpr const char* kPluginFile = "tovrel_vst.dll";

class DllVersionResource : public ::testing::Test {
protected:
    void SetUp() override {
        DWORD ignored = 0;
        const DWORD size = GetFileVersionInfoSizeA(kPluginFile, &ignored);
        ASSERT_GT(size, 0u) << "no version information in " << kPluginFile << ", error " << GetLastError();
        block.resize(size);
        ASSERT_TRUE(GetFileVersionInfoA(kPluginFile, 0, size, block.data()));
    }

    // A string value of the first language the file lists; empty when absent.
    std::string value(const char* name) {
        struct Translation {
            WORD language;
            WORD codePage;
        };
        Translation* translations = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                            reinterpret_cast<void**>(&translations), &length) ||
            length < sizeof(Translation))
            return {};
        char path[96];
        wsprintfA(path, "\\StringFileInfo\\%04x%04x\\%s", translations[0].language, translations[0].codePage,
                  name);
        char* text = nullptr;
        if (!VerQueryValueA(block.data(), path, reinterpret_cast<void**>(&text), &length) || length == 0)
            return {};
        return std::string(text);
    }

    std::vector<char> block;
};

TEST_F(DllVersionResource, FixedInformationCarriesTheReleaseVersion) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const DWORD expectedHigh = (TOVREL_VERSION_MAJOR << 16) | TOVREL_VERSION_MINOR;
    const DWORD expectedLow = static_cast<DWORD>(TOVREL_VERSION_PATCH) << 16;
    EXPECT_EQ(fixed->dwFileVersionMS, expectedHigh);
    EXPECT_EQ(fixed->dwFileVersionLS, expectedLow);
    EXPECT_EQ(fixed->dwProductVersionMS, expectedHigh);
    EXPECT_EQ(fixed->dwProductVersionLS, expectedLow);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u)
        << "a release is neither a debug nor a pre-release build";
}

TEST_F(DllVersionResource, TextsNameTheProductItsMakerAndTheFile) {
    EXPECT_EQ(value("FileVersion"), TOVREL_VERSION_TEXT);
    EXPECT_EQ(value("ProductVersion"), TOVREL_VERSION_TEXT);
    EXPECT_EQ(value("ProductName"), "tovrel_vst");
    EXPECT_EQ(value("OriginalFilename"), "tovrel_vst.dll");
    EXPECT_NE(value("FileDescription").find("crossfeed"), std::string::npos) << value("FileDescription");
    // The same maker as the plug-in's vendor string and the editor's footer.
    EXPECT_NE(value("CompanyName").find("orvalen.example.org"), std::string::npos) << value("CompanyName");
    EXPECT_NE(value("LegalCopyright").find("the tovrel_vst authors"), std::string::npos)
        << value("LegalCopyright");
    EXPECT_EQ(value("NoSuchValue"), "");
}

} // namespace
