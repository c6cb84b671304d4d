#pragma once
// Copying the contents of one dataset into another, field by field by name: the fields of
// Destination at positions 0 .. Source's field count - 1 each take the value of Source's
// field of the same name (Destination fields beyond that keep their defaults). Both
// datasets are opened by the copy and closed when it ends.

#include <functional>

class TDataSet;

namespace ExtendedCopy {

// Appends every record of Source to Destination. False, after a message box, when a
// dataset does not open or a record cannot be appended or transferred or the records cannot
// be committed; the message ends with how many records were really kept ("Сохранено записей:
// N"): those posted before the failure, or none when their commit failed.
bool SimpleCopyTables(TDataSet* Source, TDataSet* Destination);

// The copy that SimpleCopyTables and NUtilities::NUCopyTables share. For every source
// record FindRecord runs first, outside the guards (whatever it throws reaches the caller
// with both datasets open): true when it moved Destination onto the record to update,
// false to append one. Posted runs after each posted record, with Destination on it.
bool CopyRecords(TDataSet* Source, TDataSet* Destination, const std::function<bool()>& FindRecord,
                 const std::function<void()>& Posted);

} // namespace ExtendedCopy
