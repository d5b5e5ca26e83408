#include "engine/KetrelInput.h"

#include "engine/KetrelApplication.h"
#include "engine/KetrelPtrArray.h"
#include "engine/KetrelResult.h"

#include <new>

CKetrelInput* CKetrelInput::Create()
{
    return new (std::nothrow) CKetrelInput();
}

CKetrelInput::CKetrelInput() : m_window(0), m_application(nullptr)
{
    m_timer.Init(0);
}

CKetrelInput::~CKetrelInput() {}

int CKetrelInput::Attach(IKetrelApplication* application)
{
    m_application = application;
    m_window = application ? application->GetWindow() : 0;
    return KE_OK;
}

static void AppendDevice(CKetrelPtrArray* list, const char* description)
{
    if (!list)
        return;
    CKetrelInputDevice* device = new CKetrelInputDevice();
    device->description = description;
    for (u32& word : device->reserved)
        word = 0;
    list->Add(device);
}

void CKetrelInput::EnumerateKeyboards(CKetrelPtrArray* list)
{
    AppendDevice(list, "KetrelInput keyboard device.");
}

void CKetrelInput::EnumeratePointers(CKetrelPtrArray* list)
{
    AppendDevice(list, "KetrelInput mouse/stylus device.");
}

void CKetrelInput::FreeDevices(CKetrelPtrArray* list)
{
    if (!list)
        return;
    for (i32 i = 0; i < list->GetCount(); i++)
        delete (CKetrelInputDevice*)list->GetAt(i);
    list->RemoveAll();
}
