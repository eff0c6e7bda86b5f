// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace wendle::test {

/**
 * Makes SQLite's default file system one whose writes can be told to fail as on a full disk.
 * Install before opening the database under test.
 */
class FailingVfs
{
public:
    static void install();
    static void setFailing(bool failing);
};

} // namespace wendle::test
