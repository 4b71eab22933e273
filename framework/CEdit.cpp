#include "framework/CEdit.h"

const CRuntimeClass* CEdit::GetRuntimeClass() const
{
    static constexpr CRuntimeClass runtimeClass{"CEdit", nullptr};
    return &runtimeClass;
}
