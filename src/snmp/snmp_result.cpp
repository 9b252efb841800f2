#include "snmp/snmp_result.h"

namespace vornex {

const snmp_error_name_row snmp_error_names[] = {
    {1, "Too Big"},
    {2, "Unknown object name"},
    {3, "Bad value"},
    {4, "Read-only access"},
    {5, "Generic Error"},
    {6, "Access violation"},
    {7, "Wrong type"},
    {8, "Wrong length"},
    {9, "Wrong encoding"},
    {10, "Wrong value"},
    {11, "No creation"},
    {12, "Inconsistent value"},
    {13, "Resource unavailable"},
    {14, "Commit failed"},
    {15, "Undo failed"},
    {16, "Authorization error"},
    {17, "Not writable"},
    {18, "Inconsistent name"},
    {0, ""},
};

std::string_view snmp_error_name(int error_status) {
    const snmp_error_name_row* row = snmp_error_names;
    while (row->code != 0 && row->code != error_status) {
        ++row;
    }
    return row->text;
}

} // namespace vornex
