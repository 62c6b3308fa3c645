#include "d3d10/d3d10_view.h"

#include <new>

namespace {

enum class ViewKind { kShaderResource, kRenderTarget, kDepthStencil };

constexpr UINT kAll = static_cast<UINT>(-1);

// What a view dimension asks of its texture, and the GL target of the view.
struct ViewDimension {
  UINT dimension;  // the D3D10_SRV_, RTV_ or DSV_DIMENSION value
  D3D10_RESOURCE_DIMENSION resource;
  bool array;
  bool multisampled;
  bool cube;
  GLenum target;
};

constexpr D3D10_RESOURCE_DIMENSION k1D = D3D10_RESOURCE_DIMENSION_TEXTURE1D;
constexpr D3D10_RESOURCE_DIMENSION k2D = D3D10_RESOURCE_DIMENSION_TEXTURE2D;
constexpr D3D10_RESOURCE_DIMENSION k3D = D3D10_RESOURCE_DIMENSION_TEXTURE3D;

// Buffer views are not supported: their dimensions are missing.
// clang-format off
const ViewDimension kShaderResourceDimensions[] = {
  // dimension                           resource array  ms     cube   GL target
  {D3D10_SRV_DIMENSION_TEXTURE1D,        k1D, false, false, false, GL_TEXTURE_1D},
  {D3D10_SRV_DIMENSION_TEXTURE1DARRAY,   k1D, true,  false, false, GL_TEXTURE_1D_ARRAY},
  {D3D10_SRV_DIMENSION_TEXTURE2D,        k2D, false, false, false, GL_TEXTURE_2D},
  {D3D10_SRV_DIMENSION_TEXTURE2DARRAY,   k2D, true,  false, false, GL_TEXTURE_2D_ARRAY},
  {D3D10_SRV_DIMENSION_TEXTURE2DMS,      k2D, false, true,  false, GL_TEXTURE_2D_MULTISAMPLE},
  {D3D10_SRV_DIMENSION_TEXTURE2DMSARRAY, k2D, true,  true,  false, GL_TEXTURE_2D_MULTISAMPLE_ARRAY},
  {D3D10_SRV_DIMENSION_TEXTURE3D,        k3D, false, false, false, GL_TEXTURE_3D},
  {D3D10_SRV_DIMENSION_TEXTURECUBE,      k2D, false, false, true,  GL_TEXTURE_CUBE_MAP},
};
const ViewDimension kRenderTargetDimensions[] = {
  {D3D10_RTV_DIMENSION_TEXTURE1D,        k1D, false, false, false, GL_TEXTURE_1D},
  {D3D10_RTV_DIMENSION_TEXTURE1DARRAY,   k1D, true,  false, false, GL_TEXTURE_1D_ARRAY},
  {D3D10_RTV_DIMENSION_TEXTURE2D,        k2D, false, false, false, GL_TEXTURE_2D},
  {D3D10_RTV_DIMENSION_TEXTURE2DARRAY,   k2D, true,  false, false, GL_TEXTURE_2D_ARRAY},
  {D3D10_RTV_DIMENSION_TEXTURE2DMS,      k2D, false, true,  false, GL_TEXTURE_2D_MULTISAMPLE},
  {D3D10_RTV_DIMENSION_TEXTURE2DMSARRAY, k2D, true,  true,  false, GL_TEXTURE_2D_MULTISAMPLE_ARRAY},
  {D3D10_RTV_DIMENSION_TEXTURE3D,        k3D, false, false, false, GL_TEXTURE_3D},
};
const ViewDimension kDepthStencilDimensions[] = {
  {D3D10_DSV_DIMENSION_TEXTURE1D,        k1D, false, false, false, GL_TEXTURE_1D},
  {D3D10_DSV_DIMENSION_TEXTURE1DARRAY,   k1D, true,  false, false, GL_TEXTURE_1D_ARRAY},
  {D3D10_DSV_DIMENSION_TEXTURE2D,        k2D, false, false, false, GL_TEXTURE_2D},
  {D3D10_DSV_DIMENSION_TEXTURE2DARRAY,   k2D, true,  false, false, GL_TEXTURE_2D_ARRAY},
  {D3D10_DSV_DIMENSION_TEXTURE2DMS,      k2D, false, true,  false, GL_TEXTURE_2D_MULTISAMPLE},
  {D3D10_DSV_DIMENSION_TEXTURE2DMSARRAY, k2D, true,  true,  false, GL_TEXTURE_2D_MULTISAMPLE_ARRAY},
};
// clang-format on

template <std::size_t N>
const ViewDimension* FindDimension(const ViewDimension (&table)[N], UINT dimension) {
  for (const ViewDimension& row : table) {
    if (row.dimension == dimension) return &row;
  }
  return nullptr;
}

// The dimension of a view of the whole texture: a cube view of a cube where
// the kind has one, else an array view of its faces.
template <std::size_t N>
UINT WholeDimension(const ViewDimension (&table)[N], const D3D10TextureImage& image) {
  const D3D10TextureShape& s = image.Shape();
  for (bool cube : {image.IsCube(), false}) {
    for (const ViewDimension& row : table) {
      if (row.resource == s.dimension && row.multisampled == (s.samples > 1) && row.cube == cube &&
          row.array == (s.layers > 1 && !cube)) {
        return row.dimension;
      }
    }
  }
  return 0;
}

// The levels and slices a view covers (depth slices of a level for volume
// textures). kAll counts take the rest.
struct ViewRange {
  UINT firstLevel, levels, firstSlice, slices;
};

// Checks that the dimension fits the texture and the range lies inside it,
// and resolves kAll counts.
HRESULT ResolveRange(const D3D10TextureImage& image, const ViewDimension& d, ViewRange* r) {
  const D3D10TextureShape& s = image.Shape();
  // The texture's kind and sampling; cube views of cubes; one slice unless an array.
  if (d.resource != s.dimension || d.multisampled != (s.samples > 1)) return E_INVALIDARG;
  if (d.cube && !image.IsCube()) return E_INVALIDARG;
  if (!d.array && !d.cube && s.layers != 1) return E_INVALIDARG;
  // Levels inside the texture.
  if (r->firstLevel >= s.levels) return E_INVALIDARG;
  if (r->levels == kAll) r->levels = s.levels - r->firstLevel;
  if (r->levels == 0 || r->levels > s.levels - r->firstLevel) return E_INVALIDARG;
  // Slices inside the array, or inside the first level of a volume.
  UINT slices = s.dimension == k3D ? image.LevelDepth(r->firstLevel) : s.layers;
  if (r->firstSlice >= slices) return E_INVALIDARG;
  if (r->slices == kAll) r->slices = slices - r->firstSlice;
  if (r->slices == 0 || r->slices > slices - r->firstSlice) return E_INVALIDARG;
  return S_OK;
}

// The view's format, or null when it does not fit (see d3d10_view.h).
const D3D10FormatInfo* ResolveFormat(const D3D10TextureImage& image, DXGI_FORMAT requested, ViewKind kind) {
  const D3D10FormatInfo& own = image.Format();
  bool depth = image.HasDepthStorage();
  const D3D10FormatInfo* view = &own;
  if (requested == DXGI_FORMAT_UNKNOWN || requested == own.format) {
    // Depth storage names the family's format for the view where its own does not fit.
    if (depth && kind == ViewKind::kDepthStencil && !(own.caps & kFormatDepthStencil)) {
      view = D3D10FindFamilyFormat(own.family, kFormatDepthStencil);
    }
    if (depth && kind == ViewKind::kShaderResource && !(own.caps & (kFormatDepthRead | kFormatStencilRead))) {
      view = D3D10DepthReadFormat(own.family);
    }
  } else {
    view = D3D10GetFormatInfo(requested);
    if (!view || view->family != own.family) return nullptr;
    bool sibling = (own.caps & kFormatTypeless) ||
                   (depth && (view->caps & (kFormatDepthStencil | kFormatDepthRead | kFormatStencilRead)));
    if (view != &own && !sibling) return nullptr;
  }
  // Views have typed formats.
  if (!view || (view->caps & kFormatTypeless)) return nullptr;
  switch (kind) {
    case ViewKind::kShaderResource:
      // Depth storage reads through depth- and stencil-read formats, colour through formats GL has.
      if (depth) return (view->caps & (kFormatDepthRead | kFormatStencilRead)) ? view : nullptr;
      return (view->caps & kFormatTexture) && view->internalFormat != 0 ? view : nullptr;
    case ViewKind::kRenderTarget:
      return !depth && (view->caps & kFormatRenderTarget) ? view : nullptr;
    case ViewKind::kDepthStencil:
      return depth && (view->caps & kFormatDepthStencil) ? view : nullptr;
  }
  return nullptr;
}

// Target views of one slice attach as plain images.
GLenum OneSliceTarget(GLenum target) {
  switch (target) {
    case GL_TEXTURE_1D_ARRAY:
      return GL_TEXTURE_1D;
    case GL_TEXTURE_2D_ARRAY:
      return GL_TEXTURE_2D;
    case GL_TEXTURE_2D_MULTISAMPLE_ARRAY:
      return GL_TEXTURE_2D_MULTISAMPLE;
    default:
      return target;
  }
}

GLuint MakeTextureView(const D3D10TextureImage& image, GLenum target, GLenum internalFormat, const ViewRange& r) {
  // A volume's views hold all its depth slices; slices are chosen when attaching.
  bool volume = target == GL_TEXTURE_3D;
  GLuint name = 0;
  glGenTextures(1, &name);
  glTextureView(name, target, image.Name(), internalFormat, r.firstLevel, r.levels, volume ? 0 : r.firstSlice,
                volume ? 1 : r.slices);
  return name;
}

// The union members of each description, read into a range and written back.
ViewRange ShaderResourceRange(const D3D10_SHADER_RESOURCE_VIEW_DESC& d) {
  switch (D3D10Raw(d.ViewDimension)) {
    case D3D10_SRV_DIMENSION_TEXTURE1D:
      return {d.Texture1D.MostDetailedMip, d.Texture1D.MipLevels, 0, 1};
    case D3D10_SRV_DIMENSION_TEXTURE1DARRAY:
      return {d.Texture1DArray.MostDetailedMip, d.Texture1DArray.MipLevels, d.Texture1DArray.FirstArraySlice,
              d.Texture1DArray.ArraySize};
    case D3D10_SRV_DIMENSION_TEXTURE2DARRAY:
      return {d.Texture2DArray.MostDetailedMip, d.Texture2DArray.MipLevels, d.Texture2DArray.FirstArraySlice,
              d.Texture2DArray.ArraySize};
    case D3D10_SRV_DIMENSION_TEXTURE2DMS:
      return {0, 1, 0, 1};
    case D3D10_SRV_DIMENSION_TEXTURE2DMSARRAY:
      return {0, 1, d.Texture2DMSArray.FirstArraySlice, d.Texture2DMSArray.ArraySize};
    case D3D10_SRV_DIMENSION_TEXTURE3D:
      return {d.Texture3D.MostDetailedMip, d.Texture3D.MipLevels, 0, 1};
    case D3D10_SRV_DIMENSION_TEXTURECUBE:
      return {d.TextureCube.MostDetailedMip, d.TextureCube.MipLevels, 0, kAll};
    default:
      return {d.Texture2D.MostDetailedMip, d.Texture2D.MipLevels, 0, 1};
  }
}

void StoreShaderResourceRange(D3D10_SHADER_RESOURCE_VIEW_DESC* d, const ViewRange& r) {
  switch (D3D10Raw(d->ViewDimension)) {
    case D3D10_SRV_DIMENSION_TEXTURE1D:
      d->Texture1D = {r.firstLevel, r.levels};
      break;
    case D3D10_SRV_DIMENSION_TEXTURE1DARRAY:
      d->Texture1DArray = {r.firstLevel, r.levels, r.firstSlice, r.slices};
      break;
    case D3D10_SRV_DIMENSION_TEXTURE2DARRAY:
      d->Texture2DArray = {r.firstLevel, r.levels, r.firstSlice, r.slices};
      break;
    case D3D10_SRV_DIMENSION_TEXTURE2DMS:
      break;
    case D3D10_SRV_DIMENSION_TEXTURE2DMSARRAY:
      d->Texture2DMSArray = {r.firstSlice, r.slices};
      break;
    case D3D10_SRV_DIMENSION_TEXTURE3D:
      d->Texture3D = {r.firstLevel, r.levels};
      break;
    case D3D10_SRV_DIMENSION_TEXTURECUBE:
      d->TextureCube = {r.firstLevel, r.levels};
      break;
    default:
      d->Texture2D = {r.firstLevel, r.levels};
      break;
  }
}

ViewRange RenderTargetRange(const D3D10_RENDER_TARGET_VIEW_DESC& d) {
  switch (D3D10Raw(d.ViewDimension)) {
    case D3D10_RTV_DIMENSION_TEXTURE1D:
      return {d.Texture1D.MipSlice, 1, 0, 1};
    case D3D10_RTV_DIMENSION_TEXTURE1DARRAY:
      return {d.Texture1DArray.MipSlice, 1, d.Texture1DArray.FirstArraySlice, d.Texture1DArray.ArraySize};
    case D3D10_RTV_DIMENSION_TEXTURE2DARRAY:
      return {d.Texture2DArray.MipSlice, 1, d.Texture2DArray.FirstArraySlice, d.Texture2DArray.ArraySize};
    case D3D10_RTV_DIMENSION_TEXTURE2DMS:
      return {0, 1, 0, 1};
    case D3D10_RTV_DIMENSION_TEXTURE2DMSARRAY:
      return {0, 1, d.Texture2DMSArray.FirstArraySlice, d.Texture2DMSArray.ArraySize};
    case D3D10_RTV_DIMENSION_TEXTURE3D:
      return {d.Texture3D.MipSlice, 1, d.Texture3D.FirstWSlice, d.Texture3D.WSize};
    default:
      return {d.Texture2D.MipSlice, 1, 0, 1};
  }
}

void StoreRenderTargetRange(D3D10_RENDER_TARGET_VIEW_DESC* d, const ViewRange& r) {
  switch (D3D10Raw(d->ViewDimension)) {
    case D3D10_RTV_DIMENSION_TEXTURE1D:
      d->Texture1D = {r.firstLevel};
      break;
    case D3D10_RTV_DIMENSION_TEXTURE1DARRAY:
      d->Texture1DArray = {r.firstLevel, r.firstSlice, r.slices};
      break;
    case D3D10_RTV_DIMENSION_TEXTURE2DARRAY:
      d->Texture2DArray = {r.firstLevel, r.firstSlice, r.slices};
      break;
    case D3D10_RTV_DIMENSION_TEXTURE2DMS:
      break;
    case D3D10_RTV_DIMENSION_TEXTURE2DMSARRAY:
      d->Texture2DMSArray = {r.firstSlice, r.slices};
      break;
    case D3D10_RTV_DIMENSION_TEXTURE3D:
      d->Texture3D = {r.firstLevel, r.firstSlice, r.slices};
      break;
    default:
      d->Texture2D = {r.firstLevel};
      break;
  }
}

ViewRange DepthStencilRange(const D3D10_DEPTH_STENCIL_VIEW_DESC& d) {
  switch (D3D10Raw(d.ViewDimension)) {
    case D3D10_DSV_DIMENSION_TEXTURE1D:
      return {d.Texture1D.MipSlice, 1, 0, 1};
    case D3D10_DSV_DIMENSION_TEXTURE1DARRAY:
      return {d.Texture1DArray.MipSlice, 1, d.Texture1DArray.FirstArraySlice, d.Texture1DArray.ArraySize};
    case D3D10_DSV_DIMENSION_TEXTURE2DARRAY:
      return {d.Texture2DArray.MipSlice, 1, d.Texture2DArray.FirstArraySlice, d.Texture2DArray.ArraySize};
    case D3D10_DSV_DIMENSION_TEXTURE2DMS:
      return {0, 1, 0, 1};
    case D3D10_DSV_DIMENSION_TEXTURE2DMSARRAY:
      return {0, 1, d.Texture2DMSArray.FirstArraySlice, d.Texture2DMSArray.ArraySize};
    default:
      return {d.Texture2D.MipSlice, 1, 0, 1};
  }
}

void StoreDepthStencilRange(D3D10_DEPTH_STENCIL_VIEW_DESC* d, const ViewRange& r) {
  switch (D3D10Raw(d->ViewDimension)) {
    case D3D10_DSV_DIMENSION_TEXTURE1D:
      d->Texture1D = {r.firstLevel};
      break;
    case D3D10_DSV_DIMENSION_TEXTURE1DARRAY:
      d->Texture1DArray = {r.firstLevel, r.firstSlice, r.slices};
      break;
    case D3D10_DSV_DIMENSION_TEXTURE2DARRAY:
      d->Texture2DArray = {r.firstLevel, r.firstSlice, r.slices};
      break;
    case D3D10_DSV_DIMENSION_TEXTURE2DMS:
      break;
    case D3D10_DSV_DIMENSION_TEXTURE2DMSARRAY:
      d->Texture2DMSArray = {r.firstSlice, r.slices};
      break;
    default:
      d->Texture2D = {r.firstLevel};
      break;
  }
}

// The attached slice of a volume's target view: one depth slice, or all of
// them as a layered image. GL views cannot narrow a volume to some slices.
HRESULT VolumeLayer(const D3D10TextureImage& image, const ViewRange& r, GLint* layer) {
  if (r.slices == 1) {
    *layer = static_cast<GLint>(r.firstSlice);
    return S_OK;
  }
  return r.firstSlice == 0 && r.slices == image.LevelDepth(r.firstLevel) ? S_OK : E_INVALIDARG;
}

// The texture behind a view and the bind flag the view kind needs; views of
// buffers are not supported.
D3D10TextureImage* BoundImage(ID3D10Resource* resource, UINT bindFlag) {
  D3D10TextureImage* image = D3D10GetTextureImage(resource);
  return image && (image->Shape().bind & bindFlag) ? image : nullptr;
}

// What every view settles before anything is made: the texture, the
// completed description with its resolved format and range, and the
// dimension. A null description views the whole texture.
template <typename Desc>
struct ViewPlan {
  D3D10TextureImage* image;
  Desc desc;
  const D3D10FormatInfo* format;
  const ViewDimension* dimension;
  ViewRange range;
};

template <typename Desc, std::size_t N>
HRESULT PlanView(ID3D10Resource* resource, const Desc* pDesc, UINT bindFlag, ViewKind kind,
                 const ViewDimension (&dimensions)[N], const ViewRange& whole, ViewRange (*rangeOf)(const Desc&),
                 void (*storeRange)(Desc*, const ViewRange&), ViewPlan<Desc>* plan) {
  // A texture created for this kind of view.
  plan->image = BoundImage(resource, bindFlag);
  if (!plan->image) return E_INVALIDARG;
  plan->desc = Desc();
  if (pDesc) {
    plan->desc = *pDesc;
  } else {
    plan->desc.ViewDimension =
        static_cast<decltype(plan->desc.ViewDimension)>(WholeDimension(dimensions, *plan->image));
    storeRange(&plan->desc, whole);
  }
  // A format of the texture's family that this kind of view can use.
  plan->format = ResolveFormat(*plan->image, plan->desc.Format, kind);
  if (!plan->format) return E_INVALIDARG;
  // A dimension that fits the texture, over levels and slices inside it.
  plan->dimension = FindDimension(dimensions, D3D10Raw(plan->desc.ViewDimension));
  if (!plan->dimension) return E_INVALIDARG;
  plan->range = rangeOf(plan->desc);
  HRESULT hr = ResolveRange(*plan->image, *plan->dimension, &plan->range);
  if (FAILED(hr)) return hr;
  plan->desc.Format = plan->format->format;
  storeRange(&plan->desc, plan->range);
  return S_OK;
}

// The GL texture view a view object owns. A sampled view of a stencil-read
// format samples the stencil.
template <typename Desc>
GLuint MakePlannedView(const ViewPlan<Desc>& plan, GLenum target, GLenum internalFormat, bool sampled) {
  GLuint name = MakeTextureView(*plan.image, target, internalFormat, plan.range);
  if (sampled && (plan.format->caps & kFormatStencilRead))
    glTextureParameteri(name, GL_DEPTH_STENCIL_TEXTURE_MODE, GL_STENCIL_INDEX);
  return name;
}

// The result of handing a GL texture view to a new view object: without the
// object the texture view is deleted again.
HRESULT Adopted(const void* object, GLuint name) {
  if (object) return S_OK;
  glDeleteTextures(1, &name);
  return E_OUTOFMEMORY;
}

// One slice of an array or cube attaches as a plain image.
template <typename Desc>
GLenum AttachTarget(const ViewPlan<Desc>& plan) {
  return plan.range.slices == 1 ? OneSliceTarget(plan.dimension->target) : plan.dimension->target;
}

}  // namespace

HRESULT D3D10ShaderResourceView::Create(D3D10Device* device, ID3D10Resource* resource,
                                        const D3D10_SHADER_RESOURCE_VIEW_DESC* pDesc,
                                        ID3D10ShaderResourceView** view) {
  ViewPlan<D3D10_SHADER_RESOURCE_VIEW_DESC> plan;
  HRESULT hr = PlanView(resource, pDesc, D3D10_BIND_SHADER_RESOURCE, ViewKind::kShaderResource,
                        kShaderResourceDimensions, {0, kAll, 0, kAll}, ShaderResourceRange, StoreShaderResourceRange,
                        &plan);
  if (FAILED(hr)) return hr;
  if (!view) return S_FALSE;
  device->Activate();
  // Depth storage is viewed in its own format; the view format picks depth or stencil.
  GLenum internalFormat =
      plan.image->HasDepthStorage() ? plan.image->Storage().internalFormat : plan.format->internalFormat;
  GLuint name = MakePlannedView(plan, plan.dimension->target, internalFormat, true);
  *view = new (std::nothrow) D3D10ShaderResourceView(device, resource, plan.desc, *plan.format, name, -1);
  return Adopted(*view, name);
}

HRESULT D3D10RenderTargetView::Create(D3D10Device* device, ID3D10Resource* resource,
                                      const D3D10_RENDER_TARGET_VIEW_DESC* pDesc, ID3D10RenderTargetView** view) {
  ViewPlan<D3D10_RENDER_TARGET_VIEW_DESC> plan;
  HRESULT hr = PlanView(resource, pDesc, D3D10_BIND_RENDER_TARGET, ViewKind::kRenderTarget, kRenderTargetDimensions,
                        {0, 1, 0, kAll}, RenderTargetRange, StoreRenderTargetRange, &plan);
  if (FAILED(hr)) return hr;
  // A volume's view attaches one depth slice or all of them.
  GLint layer = -1;
  if (plan.dimension->target == GL_TEXTURE_3D && FAILED(VolumeLayer(*plan.image, plan.range, &layer)))
    return E_INVALIDARG;
  if (!view) return S_FALSE;
  device->Activate();
  GLuint name = MakePlannedView(plan, AttachTarget(plan), plan.format->internalFormat, false);
  *view = new (std::nothrow) D3D10RenderTargetView(device, resource, plan.desc, *plan.format, name, layer);
  return Adopted(*view, name);
}

HRESULT D3D10DepthStencilView::Create(D3D10Device* device, ID3D10Resource* resource,
                                      const D3D10_DEPTH_STENCIL_VIEW_DESC* pDesc, ID3D10DepthStencilView** view) {
  ViewPlan<D3D10_DEPTH_STENCIL_VIEW_DESC> plan;
  HRESULT hr = PlanView(resource, pDesc, D3D10_BIND_DEPTH_STENCIL, ViewKind::kDepthStencil, kDepthStencilDimensions,
                        {0, 1, 0, kAll}, DepthStencilRange, StoreDepthStencilRange, &plan);
  if (FAILED(hr)) return hr;
  if (!view) return S_FALSE;
  device->Activate();
  GLuint name = MakePlannedView(plan, AttachTarget(plan), plan.format->internalFormat, false);
  *view = new (std::nothrow) D3D10DepthStencilView(device, resource, plan.desc, *plan.format, name, -1);
  return Adopted(*view, name);
}

bool D3D10DepthStencilView::HasStencil() const { return Format().transferFormat == GL_DEPTH_STENCIL; }
