#pragma once

#include <QString>

// What the look at a store's file before its first use found, and what was
// done about it.
struct StoreCheck
{
    enum class Condition
    {
        // Read whole: every line a section, comment, blank line or key=value,
        // ending in a line end.
        Whole,
        // No file yet: a first start.
        Missing,
        // There, but not readable whole: a broken line, a cut end, text that
        // is not UTF-8, something far larger than the program writes, or
        // something other than a regular file.
        Damaged,
        // Not readable at all (permissions, a plain file where a folder of
        // its path should be); left exactly as it is.
        Unreadable,
    };

    Condition condition = Condition::Whole;
    // The store's file.
    QString file;
    // Why it is damaged or unreadable, in a few words ("line 7: a quote is
    // never closed").
    QString reason;
    // The name, beside `file`, under which a damaged file was kept; empty
    // when it could not be set aside, and then the store was left as it is.
    QString backup;
    // Whether a damaged file's text was read, so that what could be read of
    // it was kept; not for a file too large or not a regular file.
    bool textRead = false;

    bool damaged() const { return condition == Condition::Damaged; }
    // Whether the store may be written: not when it could be neither read
    // nor set aside.
    bool writable() const
    {
        return condition == Condition::Whole || condition == Condition::Missing ||
               (condition == Condition::Damaged && !backup.isEmpty());
    }
};
