// Loads DorvikFTP.dll the way COM does and hands out controls through its class factory.
#ifndef DORVIK_TESTS_CONTROLFIXTURE_H
#define DORVIK_TESTS_CONTROLFIXTURE_H

#include <winsock2.h>
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <objsafe.h>

#include <gtest/gtest.h>

#include "DorvikFTP_h.h"

typedef HRESULT(STDAPICALLTYPE* GetClassObjectFn)(REFCLSID, REFIID, void**);
typedef HRESULT(STDAPICALLTYPE* PlainFn)();

class ControlLibrary : public ::testing::Test {
protected:
    HMODULE dll = nullptr;
    GetClassObjectFn getClassObject = nullptr;
    PlainFn canUnloadNow = nullptr;

    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        dll = LoadLibraryA("DorvikFTP.dll");
        ASSERT_NE(nullptr, dll);
        getClassObject = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
        canUnloadNow = reinterpret_cast<PlainFn>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
        ASSERT_NE(nullptr, getClassObject);
        ASSERT_NE(nullptr, canUnloadNow);
    }
    void TearDown() override
    {
        CoUninitialize();
    }

    IClassFactory* Factory()
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(S_OK, getClassObject(CLSID_DorvikFTPCtrl, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
        return factory;
    }

    IDorvikFTPCtrl* NewControl()
    {
        IClassFactory* factory = Factory();
        IDorvikFTPCtrl* control = nullptr;
        if (factory) {
            EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDorvikFTPCtrl, reinterpret_cast<void**>(&control)));
            factory->Release();
        }
        return control;
    }
};

#endif
