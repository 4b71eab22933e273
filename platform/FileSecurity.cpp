#include "platform/FileSecurity.h"

#include <vector>

namespace {

std::vector<BYTE> SecurityOf(LPCSTR path, SECURITY_INFORMATION what, const FileCalls& calls)
{
    DWORD size = 0;
    calls.getFileSecurity(path, what, nullptr, 0, &size);
    std::vector<BYTE> descriptor(size);
    if (size == 0 || !calls.getFileSecurity(path, what, descriptor.data(), size, &size))
        descriptor.clear();
    return descriptor;
}

PSID OwnerIn(std::vector<BYTE>& descriptor)
{
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (descriptor.empty() || !GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted))
        return nullptr;
    return owner;
}

bool SameOwner(PSID owner, LPCSTR path, const FileCalls& calls)
{
    std::vector<BYTE> descriptor = SecurityOf(path, OWNER_SECURITY_INFORMATION, calls);
    const PSID other = OwnerIn(descriptor);
    return other && EqualSid(owner, other);
}

} // namespace

SecurityRefusal GiveSecurityOf(LPCSTR file, LPCSTR copy, const FileCalls& calls)
{
    std::vector<BYTE> rules = SecurityOf(file, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, calls);
    if (rules.empty())
        return SecurityRefusal::AccessRules;
    if (const PSID owner = OwnerIn(rules); owner && !SameOwner(owner, copy, calls)) {
        SECURITY_DESCRIPTOR given;
        InitializeSecurityDescriptor(&given, SECURITY_DESCRIPTOR_REVISION);
        SetSecurityDescriptorOwner(&given, owner, FALSE);
        if (!calls.setFileSecurity(copy, OWNER_SECURITY_INFORMATION, &given) || !SameOwner(owner, copy, calls))
            return SecurityRefusal::Owner;
    }
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    if (!GetSecurityDescriptorControl(rules.data(), &control, &revision))
        return SecurityRefusal::AccessRules;
    const SECURITY_INFORMATION what = DACL_SECURITY_INFORMATION
        | ((control & SE_DACL_PROTECTED) ? PROTECTED_DACL_SECURITY_INFORMATION : UNPROTECTED_DACL_SECURITY_INFORMATION);
    return calls.setFileSecurity(copy, what, rules.data()) ? SecurityRefusal::None : SecurityRefusal::AccessRules;
}
