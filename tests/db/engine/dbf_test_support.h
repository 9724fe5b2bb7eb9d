#pragma once

#include "support/test_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sys/stat.h>

// The file helpers under the names the table tests use.
namespace dbftest {

using testfiles::copyFile;
using testfiles::executable;
using testfiles::quoted;
using testfiles::readBytes;
using testfiles::run;
using testfiles::TempDir;
using testfiles::writeBytes;

} // namespace dbftest
