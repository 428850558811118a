#include "streams/file_stream.h"

#include "host/record.h"
#include "platform/com_ref.h"
#include "streams/route_support.h"

FLTRESULT CFltFileStream::Open(FILTEREDSTREAMINFO* pInfo, IClassFactory* pFactory) {
  if (!pFactory) return FLT_ERR_FAILED;
  if (FAILED(pFactory->CreateInstance(nullptr, IID_IFilter, reinterpret_cast<void**>(&m_pFilter))))
    return FLT_ERR_FAILED;
  if (!m_pFilter) return FLT_ERR_FAILED;

  platform::ComRef<IPersistFile> persist;
  if (FAILED(m_pFilter->QueryInterface(IID_IPersistFile, persist.put_void())) || !persist.get())
    return FLT_ERR_FAILED;

  // The host said it had a path when the manager asked; it may not now.
  char path[FLT_MAX_PATH];
  if (GetFileName(pInfo, path) != FLT_OK) return FLT_ERR_FAILED;
  OLECHAR widePath[FLT_MAX_PATH];
  WidenPath(path, widePath);

  HRESULT hr = persist->Load(widePath, STGM_READ);
  if (FAILED(hr)) return MapFilterError(hr);

  ULONG flags = 0;
  hr = m_pFilter->Init(0, 0, nullptr, &flags);
  if (FAILED(hr)) return MapFilterError(hr);
  // A positive success value is passed on; the manager accepts only FLT_OK.
  return static_cast<FLTRESULT>(hr);
}
