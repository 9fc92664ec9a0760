// How a module library marks its two exports: undecorated C names, cdecl (QV_CDECL at each
// definition), and visible outside the library whatever the build's default visibility.
//
//   QV_EXPORT int32_t QV_CDECL getModuleProperties(int32_t index, ModuleProperties* props);
//   QV_EXPORT void* QV_CDECL makeModule(int32_t index, int32_t kind, HostCallback callback,
//                                       uint32_t host_handle);
#ifndef QV_EXPORT_H
#define QV_EXPORT_H

#if defined(_WIN32)
#define QV_EXPORT extern "C" __declspec(dllexport)
#else
#define QV_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#endif
