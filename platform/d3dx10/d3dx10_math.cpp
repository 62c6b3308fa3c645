// The D3DX10 math functions. Every function reads its inputs completely
// before it writes its output, so an output may alias any input.
#include <d3dx10math.h>

#include <cmath>

// --- Operators ------------------------------------------------------------

D3DXMATRIX::D3DXMATRIX(const FLOAT* pf) {
  for (int i = 0; i < 16; ++i) m[i / 4][i % 4] = pf[i];
}

D3DXMATRIX::D3DXMATRIX(const D3DMATRIX& mat) : D3DMATRIX(mat) {}

D3DXMATRIX::D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14,
                       FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
                       FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34,
                       FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44) {
  _11 = f11; _12 = f12; _13 = f13; _14 = f14;
  _21 = f21; _22 = f22; _23 = f23; _24 = f24;
  _31 = f31; _32 = f32; _33 = f33; _34 = f34;
  _41 = f41; _42 = f42; _43 = f43; _44 = f44;
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat) {
  D3DXMatrixMultiply(this, this, &mat);
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator+=(const D3DXMATRIX& mat) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] += mat.m[i][j];
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator-=(const D3DXMATRIX& mat) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] -= mat.m[i][j];
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator*=(FLOAT f) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] *= f;
  return *this;
}

D3DXMATRIX& D3DXMATRIX::operator/=(FLOAT f) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) m[i][j] /= f;
  return *this;
}

D3DXMATRIX D3DXMATRIX::operator-() const { return *this * -1.0f; }

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& mat) const {
  D3DXMATRIX result;
  D3DXMatrixMultiply(&result, this, &mat);
  return result;
}

D3DXMATRIX D3DXMATRIX::operator+(const D3DXMATRIX& mat) const { return D3DXMATRIX(*this) += mat; }
D3DXMATRIX D3DXMATRIX::operator-(const D3DXMATRIX& mat) const { return D3DXMATRIX(*this) -= mat; }
D3DXMATRIX D3DXMATRIX::operator*(FLOAT f) const { return D3DXMATRIX(*this) *= f; }
D3DXMATRIX D3DXMATRIX::operator/(FLOAT f) const { return D3DXMATRIX(*this) /= f; }

BOOL D3DXMATRIX::operator==(const D3DXMATRIX& mat) const {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      if (m[i][j] != mat.m[i][j]) return FALSE;
  return TRUE;
}

D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q) {
  D3DXQuaternionMultiply(this, this, &q);
  return *this;
}

D3DXQUATERNION D3DXQUATERNION::operator*(const D3DXQUATERNION& q) const {
  D3DXQUATERNION result;
  D3DXQuaternionMultiply(&result, this, &q);
  return result;
}

D3DXCOLOR::D3DXCOLOR(DWORD argb) {
  const FLOAT scale = 1.0f / 255.0f;
  r = scale * static_cast<FLOAT>(static_cast<BYTE>(argb >> 16));
  g = scale * static_cast<FLOAT>(static_cast<BYTE>(argb >> 8));
  b = scale * static_cast<FLOAT>(static_cast<BYTE>(argb));
  a = scale * static_cast<FLOAT>(static_cast<BYTE>(argb >> 24));
}

static DWORD ColorChannel(FLOAT value) {
  if (value >= 1.0f) return 0xff;
  if (value <= 0.0f) return 0x00;
  return static_cast<DWORD>(value * 255.0f + 0.5f);
}

D3DXCOLOR::operator DWORD() const {
  return (ColorChannel(a) << 24) | (ColorChannel(r) << 16) | (ColorChannel(g) << 8) | ColorChannel(b);
}

// --- Vectors --------------------------------------------------------------

FLOAT WINAPI D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
  return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z;
}

D3DXVECTOR3* WINAPI D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
  const D3DXVECTOR3 v(pV1->y * pV2->z - pV1->z * pV2->y,
                      pV1->z * pV2->x - pV1->x * pV2->z,
                      pV1->x * pV2->y - pV1->y * pV2->x);
  *pOut = v;
  return pOut;
}

FLOAT WINAPI D3DXVec3LengthSq(const D3DXVECTOR3* pV) { return pV->x * pV->x + pV->y * pV->y + pV->z * pV->z; }

FLOAT WINAPI D3DXVec3Length(const D3DXVECTOR3* pV) { return std::sqrt(D3DXVec3LengthSq(pV)); }

D3DXVECTOR3* WINAPI D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
  const FLOAT length = D3DXVec3Length(pV);
  if (length == 0.0f)
    *pOut = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  else
    *pOut = D3DXVECTOR3(pV->x / length, pV->y / length, pV->z / length);
  return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
  const D3DXVECTOR3 v = *pV;
  const FLOAT w = pM->_14 * v.x + pM->_24 * v.y + pM->_34 * v.z + pM->_44;
  *pOut = D3DXVECTOR3((pM->_11 * v.x + pM->_21 * v.y + pM->_31 * v.z + pM->_41) / w,
                      (pM->_12 * v.x + pM->_22 * v.y + pM->_32 * v.z + pM->_42) / w,
                      (pM->_13 * v.x + pM->_23 * v.y + pM->_33 * v.z + pM->_43) / w);
  return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3TransformCoordArray(D3DXVECTOR3* pOut, UINT OutStride, const D3DXVECTOR3* pV, UINT VStride,
                                                const D3DXMATRIX* pM, UINT n) {
  char* out = reinterpret_cast<char*>(pOut);
  const char* in = reinterpret_cast<const char*>(pV);
  for (UINT i = 0; i < n; ++i)
    D3DXVec3TransformCoord(reinterpret_cast<D3DXVECTOR3*>(out + static_cast<size_t>(i) * OutStride),
                           reinterpret_cast<const D3DXVECTOR3*>(in + static_cast<size_t>(i) * VStride), pM);
  return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
  const D3DXVECTOR3 v = *pV;
  *pOut = D3DXVECTOR3(pM->_11 * v.x + pM->_21 * v.y + pM->_31 * v.z,
                      pM->_12 * v.x + pM->_22 * v.y + pM->_32 * v.z,
                      pM->_13 * v.x + pM->_23 * v.y + pM->_33 * v.z);
  return pOut;
}

// --- Matrices -------------------------------------------------------------

D3DXMATRIX* WINAPI D3DXMatrixIdentity(D3DXMATRIX* pOut) {
  *pOut = D3DXMATRIX(1.0f, 0.0f, 0.0f, 0.0f,
                     0.0f, 1.0f, 0.0f, 0.0f,
                     0.0f, 0.0f, 1.0f, 0.0f,
                     0.0f, 0.0f, 0.0f, 1.0f);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
  // Row i of the product is row i of M1 combining the rows of M2, which
  // keeps the inner loop on contiguous rows.
  D3DXMATRIX result;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      result.m[i][j] = pM1->m[i][0] * pM2->m[0][j] + pM1->m[i][1] * pM2->m[1][j] + pM1->m[i][2] * pM2->m[2][j] +
                       pM1->m[i][3] * pM2->m[3][j];
  *pOut = result;
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM) {
  const FLOAT(&a)[4][4] = pM->m;
  // 2x2 minors of the upper two rows (s) and of the lower two rows (c); the
  // determinant and every cofactor are sums of their products.
  const FLOAT s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
  const FLOAT s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
  const FLOAT s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
  const FLOAT s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
  const FLOAT s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
  const FLOAT s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
  const FLOAT c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
  const FLOAT c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
  const FLOAT c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
  const FLOAT c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
  const FLOAT c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
  const FLOAT c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];

  const FLOAT det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
  if (det == 0.0f) return nullptr;
  const FLOAT f = 1.0f / det;

  D3DXMATRIX r;
  r.m[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * f;
  r.m[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * f;
  r.m[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * f;
  r.m[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * f;
  r.m[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * f;
  r.m[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * f;
  r.m[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * f;
  r.m[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * f;
  r.m[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * f;
  r.m[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * f;
  r.m[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * f;
  r.m[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * f;
  r.m[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * f;
  r.m[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * f;
  r.m[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * f;
  r.m[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * f;

  if (pDeterminant) *pDeterminant = det;
  *pOut = r;
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM) {
  D3DXMATRIX result;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) result.m[i][j] = pM->m[j][i];
  *pOut = result;
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                                      const D3DXVECTOR3* pUp) {
  D3DXVECTOR3 zaxis = *pAt - *pEye;
  D3DXVec3Normalize(&zaxis, &zaxis);
  D3DXVECTOR3 xaxis;
  D3DXVec3Cross(&xaxis, pUp, &zaxis);
  D3DXVec3Normalize(&xaxis, &xaxis);
  D3DXVECTOR3 yaxis;
  D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
  const D3DXVECTOR3 eye = *pEye;
  *pOut = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0.0f,
                     xaxis.y, yaxis.y, zaxis.y, 0.0f,
                     xaxis.z, yaxis.z, zaxis.z, 0.0f,
                     -D3DXVec3Dot(&xaxis, &eye), -D3DXVec3Dot(&yaxis, &eye), -D3DXVec3Dot(&zaxis, &eye), 1.0f);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixPerspectiveLH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
  *pOut = D3DXMATRIX(2.0f * zn / w, 0.0f, 0.0f, 0.0f,
                     0.0f, 2.0f * zn / h, 0.0f, 0.0f,
                     0.0f, 0.0f, zf / (zf - zn), 1.0f,
                     0.0f, 0.0f, zn * zf / (zn - zf), 0.0f);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn, FLOAT zf) {
  const FLOAT yScale = 1.0f / std::tan(fovy / 2.0f);
  const FLOAT xScale = yScale / Aspect;
  *pOut = D3DXMATRIX(xScale, 0.0f, 0.0f, 0.0f,
                     0.0f, yScale, 0.0f, 0.0f,
                     0.0f, 0.0f, zf / (zf - zn), 1.0f,
                     0.0f, 0.0f, -zn * zf / (zf - zn), 0.0f);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixOrthoLH(D3DXMATRIX* pOut, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf) {
  *pOut = D3DXMATRIX(2.0f / w, 0.0f, 0.0f, 0.0f,
                     0.0f, 2.0f / h, 0.0f, 0.0f,
                     0.0f, 0.0f, 1.0f / (zf - zn), 0.0f,
                     0.0f, 0.0f, zn / (zn - zf), 1.0f);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ) {
  const FLOAT x = pQ->x, y = pQ->y, z = pQ->z, w = pQ->w;
  *pOut = D3DXMATRIX(1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y + z * w), 2.0f * (x * z - y * w), 0.0f,
                     2.0f * (x * y - z * w), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z + x * w), 0.0f,
                     2.0f * (x * z + y * w), 2.0f * (y * z - x * w), 1.0f - 2.0f * (x * x + y * y), 0.0f,
                     0.0f, 0.0f, 0.0f, 1.0f);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationX(D3DXMATRIX* pOut, FLOAT Angle) {
  const FLOAT s = std::sin(Angle), c = std::cos(Angle);
  *pOut = D3DXMATRIX(1.0f, 0.0f, 0.0f, 0.0f,
                     0.0f, c, s, 0.0f,
                     0.0f, -s, c, 0.0f,
                     0.0f, 0.0f, 0.0f, 1.0f);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationY(D3DXMATRIX* pOut, FLOAT Angle) {
  const FLOAT s = std::sin(Angle), c = std::cos(Angle);
  *pOut = D3DXMATRIX(c, 0.0f, -s, 0.0f,
                     0.0f, 1.0f, 0.0f, 0.0f,
                     s, 0.0f, c, 0.0f,
                     0.0f, 0.0f, 0.0f, 1.0f);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationZ(D3DXMATRIX* pOut, FLOAT Angle) {
  const FLOAT s = std::sin(Angle), c = std::cos(Angle);
  *pOut = D3DXMATRIX(c, s, 0.0f, 0.0f,
                     -s, c, 0.0f, 0.0f,
                     0.0f, 0.0f, 1.0f, 0.0f,
                     0.0f, 0.0f, 0.0f, 1.0f);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pV, FLOAT Angle) {
  D3DXVECTOR3 v;
  D3DXVec3Normalize(&v, pV);
  const FLOAT s = std::sin(Angle), c = std::cos(Angle), t = 1.0f - c;
  *pOut = D3DXMATRIX(t * v.x * v.x + c, t * v.y * v.x + s * v.z, t * v.z * v.x - s * v.y, 0.0f,
                     t * v.x * v.y - s * v.z, t * v.y * v.y + c, t * v.z * v.y + s * v.x, 0.0f,
                     t * v.x * v.z + s * v.y, t * v.y * v.z - s * v.x, t * v.z * v.z + c, 0.0f,
                     0.0f, 0.0f, 0.0f, 1.0f);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, FLOAT Yaw, FLOAT Pitch, FLOAT Roll) {
  // The product RotationZ(roll) x RotationX(pitch) x RotationY(yaw), written out.
  const FLOAT sy = std::sin(Yaw), cy = std::cos(Yaw);
  const FLOAT sp = std::sin(Pitch), cp = std::cos(Pitch);
  const FLOAT sr = std::sin(Roll), cr = std::cos(Roll);
  *pOut = D3DXMATRIX(cr * cy + sr * sp * sy, sr * cp, sr * sp * cy - cr * sy, 0.0f,
                     cr * sp * sy - sr * cy, cr * cp, sr * sy + cr * sp * cy, 0.0f,
                     cp * sy, -sp, cp * cy, 0.0f,
                     0.0f, 0.0f, 0.0f, 1.0f);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz) {
  *pOut = D3DXMATRIX(sx, 0.0f, 0.0f, 0.0f,
                     0.0f, sy, 0.0f, 0.0f,
                     0.0f, 0.0f, sz, 0.0f,
                     0.0f, 0.0f, 0.0f, 1.0f);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z) {
  *pOut = D3DXMATRIX(1.0f, 0.0f, 0.0f, 0.0f,
                     0.0f, 1.0f, 0.0f, 0.0f,
                     0.0f, 0.0f, 1.0f, 0.0f,
                     x, y, z, 1.0f);
  return pOut;
}

// --- Quaternions ----------------------------------------------------------

D3DXQUATERNION* WINAPI D3DXQuaternionRotationMatrix(D3DXQUATERNION* pOut, const D3DXMATRIX* pM) {
  const FLOAT(&a)[4][4] = pM->m;
  const FLOAT trace = a[0][0] + a[1][1] + a[2][2];
  D3DXQUATERNION q;
  if (trace > 0.0f) {
    const FLOAT s = 2.0f * std::sqrt(trace + 1.0f);
    q = D3DXQUATERNION((a[1][2] - a[2][1]) / s, (a[2][0] - a[0][2]) / s, (a[0][1] - a[1][0]) / s, 0.25f * s);
  } else if (a[0][0] >= a[1][1] && a[0][0] >= a[2][2]) {
    // Otherwise start from the largest diagonal element, which keeps s away from zero.
    const FLOAT s = 2.0f * std::sqrt(1.0f + a[0][0] - a[1][1] - a[2][2]);
    q = D3DXQUATERNION(0.25f * s, (a[0][1] + a[1][0]) / s, (a[0][2] + a[2][0]) / s, (a[1][2] - a[2][1]) / s);
  } else if (a[1][1] >= a[2][2]) {
    const FLOAT s = 2.0f * std::sqrt(1.0f + a[1][1] - a[0][0] - a[2][2]);
    q = D3DXQUATERNION((a[0][1] + a[1][0]) / s, 0.25f * s, (a[1][2] + a[2][1]) / s, (a[2][0] - a[0][2]) / s);
  } else {
    const FLOAT s = 2.0f * std::sqrt(1.0f + a[2][2] - a[0][0] - a[1][1]);
    q = D3DXQUATERNION((a[0][2] + a[2][0]) / s, (a[1][2] + a[2][1]) / s, 0.25f * s, (a[0][1] - a[1][0]) / s);
  }
  *pOut = q;
  return pOut;
}

D3DXQUATERNION* WINAPI D3DXQuaternionRotationAxis(D3DXQUATERNION* pOut, const D3DXVECTOR3* pV, FLOAT Angle) {
  D3DXVECTOR3 v;
  D3DXVec3Normalize(&v, pV);
  const FLOAT s = std::sin(Angle / 2.0f);
  *pOut = D3DXQUATERNION(s * v.x, s * v.y, s * v.z, std::cos(Angle / 2.0f));
  return pOut;
}

D3DXQUATERNION* WINAPI D3DXQuaternionMultiply(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                              const D3DXQUATERNION* pQ2) {
  // The Hamilton product Q2 Q1: rotating by it rotates by Q1 first.
  const D3DXQUATERNION a = *pQ2, b = *pQ1;
  *pOut = D3DXQUATERNION(a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y,
                         a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
                         a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w,
                         a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z);
  return pOut;
}

D3DXQUATERNION* WINAPI D3DXQuaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2,
                                           FLOAT t) {
  const D3DXQUATERNION q1 = *pQ1, q2 = *pQ2;
  FLOAT dot = q1.x * q2.x + q1.y * q2.y + q1.z * q2.z + q1.w * q2.w;
  // q and -q are the same rotation: go towards whichever of them is nearer.
  FLOAT sign = 1.0f;
  if (dot < 0.0f) {
    sign = -1.0f;
    dot = -dot;
  }
  FLOAT w1 = 1.0f - t, w2 = t;
  if (1.0f - dot > 0.001f) {
    const FLOAT theta = std::acos(dot);
    const FLOAT sinTheta = std::sin(theta);
    w1 = std::sin(theta * w1) / sinTheta;
    w2 = std::sin(theta * w2) / sinTheta;
  }
  w2 *= sign;
  *pOut = D3DXQUATERNION(w1 * q1.x + w2 * q2.x, w1 * q1.y + w2 * q2.y, w1 * q1.z + w2 * q2.z, w1 * q1.w + w2 * q2.w);
  return pOut;
}

D3DXQUATERNION* WINAPI D3DXQuaternionNormalize(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ) {
  const D3DXQUATERNION q = *pQ;
  const FLOAT length = std::sqrt(q.x * q.x + q.y * q.y + q.z * q.z + q.w * q.w);
  if (length == 0.0f)
    *pOut = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 0.0f);
  else
    *pOut = D3DXQUATERNION(q.x / length, q.y / length, q.z / length, q.w / length);
  return pOut;
}

// --- Planes ---------------------------------------------------------------

D3DXPLANE* WINAPI D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                                      const D3DXVECTOR3* pV3) {
  const D3DXVECTOR3 edge1 = *pV2 - *pV1, edge2 = *pV3 - *pV1;
  D3DXVECTOR3 normal;
  D3DXVec3Cross(&normal, &edge1, &edge2);
  D3DXVec3Normalize(&normal, &normal);
  *pOut = D3DXPLANE(normal.x, normal.y, normal.z, -D3DXVec3Dot(pV1, &normal));
  return pOut;
}

D3DXPLANE* WINAPI D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP) {
  const D3DXPLANE p = *pP;
  const FLOAT length = std::sqrt(p.a * p.a + p.b * p.b + p.c * p.c);
  if (length == 0.0f)
    *pOut = D3DXPLANE(0.0f, 0.0f, 0.0f, 0.0f);
  else
    *pOut = D3DXPLANE(p.a / length, p.b / length, p.c / length, p.d / length);
  return pOut;
}

FLOAT WINAPI D3DXPlaneDotCoord(const D3DXPLANE* pP, const D3DXVECTOR3* pV) {
  return pP->a * pV->x + pP->b * pV->y + pP->c * pV->z + pP->d;
}

// --- Intersection ---------------------------------------------------------

BOOL WINAPI D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                             const D3DXVECTOR3* pRayPos, const D3DXVECTOR3* pRayDir, FLOAT* pU, FLOAT* pV,
                             FLOAT* pDist) {
  // Solves pos + t dir = p0 + u e1 + v e2 by Cramer's rule on triple products.
  const D3DXVECTOR3 e1 = *p1 - *p0, e2 = *p2 - *p0;
  D3DXVECTOR3 p;
  D3DXVec3Cross(&p, pRayDir, &e2);
  const FLOAT det = D3DXVec3Dot(&e1, &p);
  if (det == 0.0f) return FALSE;  // the ray runs parallel to the triangle
  const FLOAT inverse = 1.0f / det;

  const D3DXVECTOR3 s = *pRayPos - *p0;
  const FLOAT u = D3DXVec3Dot(&s, &p) * inverse;
  if (u < 0.0f || u > 1.0f) return FALSE;
  D3DXVECTOR3 q;
  D3DXVec3Cross(&q, &s, &e1);
  const FLOAT v = D3DXVec3Dot(pRayDir, &q) * inverse;
  if (v < 0.0f || u + v > 1.0f) return FALSE;
  const FLOAT t = D3DXVec3Dot(&e2, &q) * inverse;
  if (t < 0.0f) return FALSE;

  if (pU) *pU = u;
  if (pV) *pV = v;
  if (pDist) *pDist = t;
  return TRUE;
}
