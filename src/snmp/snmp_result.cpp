#include "snmp/snmp_result.h"

namespace vornex {

const snmp_error_name_row snmp_error_names[] = {
    {SNMP_ERR_TOOBIG, "Too Big"},
    {SNMP_ERR_NOSUCHNAME, "Unknown object name"},
    {SNMP_ERR_BADVALUE, "Bad value"},
    {SNMP_ERR_READONLY, "Read-only access"},
    {SNMP_ERR_GENERR, "Generic Error"},
    {SNMP_ERR_NOACCESS, "Access violation"},
    {SNMP_ERR_WRONGTYPE, "Wrong type"},
    {SNMP_ERR_WRONGLENGTH, "Wrong length"},
    {SNMP_ERR_WRONGENCODING, "Wrong encoding"},
    {SNMP_ERR_WRONGVALUE, "Wrong value"},
    {SNMP_ERR_NOCREATION, "No creation"},
    {SNMP_ERR_INCONSISTENTVALUE, "Inconsistent value"},
    {SNMP_ERR_RESOURCEUNAVAILABLE, "Resource unavailable"},
    {SNMP_ERR_COMMITFAILED, "Commit failed"},
    {SNMP_ERR_UNDOFAILED, "Undo failed"},
    {SNMP_ERR_AUTHORIZATIONERROR, "Authorization error"},
    {SNMP_ERR_NOTWRITABLE, "Not writable"},
    {SNMP_ERR_INCONSISTENTNAME, "Inconsistent name"},
    {SNMP_ERR_NOERROR, ""},
};

std::string_view snmp_error_name(int error_status) {
    const snmp_error_name_row* row = snmp_error_names;
    while (row->code != 0 && row->code != error_status) {
        ++row;
    }
    return row->text;
}

} // namespace vornex
