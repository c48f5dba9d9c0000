// What the tests of the image reader and of the snapshot share: a temporary
// folder for real files, and the ImageError that a call must throw.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image_file.h"

class ImageTestFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "sorrel-image-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
    }
    void TearDown() override {
        namespace fs = std::filesystem;
        std::error_code ec;
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir_, ec);
    }

    std::string write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // Runs f, which must throw ImageError, and gives it back.
    template <typename F>
    static sorrel::ImageError thrown(F&& f) {
        try {
            f();
        } catch (const sorrel::ImageError& e) {
            return e;
        }
        ADD_FAILURE() << "no ImageError was thrown";
        return sorrel::ImageError(sorrel::ImageError::Kind::CannotOpen, "", "");
    }

    std::filesystem::path dir_;
};
