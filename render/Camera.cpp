#include <morvane/Camera.h>

#include <algorithm>
#include <cmath>

namespace {

const DXVector3 kUnitAxes[3] = {DXVector3(1.0f, 0.0f, 0.0f), DXVector3(0.0f, 1.0f, 0.0f), DXVector3(0.0f, 0.0f, 1.0f)};

// Appends to rotation a turn about each unit axis in turn (x, y, z), skipping
// zero angles. With worldAxes every axis is first carried into view space by
// the rotation reached so far, which turns the camera about the world axis.
void AppendRotations(D3DXQUATERNION& rotation, const DXVector3& angles, bool worldAxes) {
  const float turns[3] = {angles.x, angles.y, angles.z};
  for (int i = 0; i < 3; ++i) {
    if (turns[i] == 0.0f) continue;
    DXVector3 axis = kUnitAxes[i];
    if (worldAxes) {
      DXMatrix current;
      D3DXMatrixRotationQuaternion(&current, &rotation);
      D3DXVec3TransformNormal(&axis, &kUnitAxes[i], &current);
    }
    D3DXQUATERNION turn;
    D3DXQuaternionRotationAxis(&turn, &axis, turns[i]);
    D3DXQuaternionMultiply(&rotation, &rotation, &turn);
  }
}

// The inverse of m; a singular m is returned unchanged, as an in-place
// D3DXMatrixInverse leaves it.
DXMatrix InverseOrSame(const DXMatrix& m) {
  DXMatrix inverse = m;
  D3DXMatrixInverse(&inverse, nullptr, &inverse);
  return inverse;
}

}  // namespace

Camera::Camera() { Reset(); }

Camera::Camera(const DXMatrix& view, const DXMatrix& proj) {
  SetViewMatrix(view);
  SetProjMatrix(proj);
}

void Camera::Reset() {
  m_Position = DXVector3(0.0f, 0.0f, 0.0f);
  m_Rotation = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
  D3DXMatrixIdentity(&m_View);
  D3DXMatrixIdentity(&m_Projection);
  m_NearPlane = 0.0f;
  m_FarPlane = 0.0f;
}

DXMatrix Camera::GetViewProjMatrix() const {
  DXMatrix viewProj;
  D3DXMatrixMultiply(&viewProj, &m_View, &m_Projection);
  return viewProj;
}

void Camera::UpdateTranslation() {
  const DXVector3& p = m_Position;
  m_View._41 = -(p.x * m_View._11 + p.y * m_View._21 + p.z * m_View._31);
  m_View._42 = -(p.x * m_View._12 + p.y * m_View._22 + p.z * m_View._32);
  m_View._43 = -(p.x * m_View._13 + p.y * m_View._23 + p.z * m_View._33);
}

void Camera::UpdateView() {
  D3DXMatrixRotationQuaternion(&m_View, &m_Rotation);
  UpdateTranslation();
}

void Camera::SetPosition(const DXVector3& p) {
  m_Position = p;
  UpdateTranslation();
}

void Camera::Move(const DXVector3& d) { SetPosition(m_Position + d); }

void Camera::MoveOriented(const DXVector3& d) {
  SetPosition(m_Position + d.x * GetViewRightVector() + d.y * GetViewUpVector() + d.z * GetViewDirVector());
}

void Camera::SetRotation(const D3DXQUATERNION& q) {
  m_Rotation = q;
  UpdateView();
}

void Camera::SetLookAt(const DXVector3& at, const DXVector3& up) {
  D3DXMatrixLookAtLH(&m_View, &m_Position, &at, &up);
  D3DXQuaternionRotationMatrix(&m_Rotation, &m_View);
}

void Camera::Rotate(const DXVector3& angles) {
  AppendRotations(m_Rotation, angles, true);
  UpdateView();
}

void Camera::RotateOriented(const DXVector3& angles) {
  AppendRotations(m_Rotation, angles, false);
  UpdateView();
}

void Camera::SetViewMatrix(const DXMatrix& m) {
  m_View = m;
  D3DXQuaternionRotationMatrix(&m_Rotation, &m_View);
  // The translation row is -eye x R, so eye = -translation x inverse(R).
  const DXVector3 t(-m._41, -m._42, -m._43);
  DXMatrix rotation = m;
  rotation._41 = rotation._42 = rotation._43 = 0.0f;
  const DXMatrix inverse = InverseOrSame(rotation);
  D3DXVec3TransformNormal(&m_Position, &t, &inverse);
}

void Camera::BuildView(const DXVector3& eye, const DXVector3& dir, const DXVector3& right, const DXVector3& up) {
  m_View = DXMatrix(right.x, up.x, dir.x, 0.0f,
                    right.y, up.y, dir.y, 0.0f,
                    right.z, up.z, dir.z, 0.0f,
                    -D3DXVec3Dot(&right, &eye), -D3DXVec3Dot(&up, &eye), -D3DXVec3Dot(&dir, &eye), 1.0f);
}

void Camera::FlipSide() {
  m_View._11 = -m_View._11;
  m_View._21 = -m_View._21;
  m_View._31 = -m_View._31;
  m_View._41 = -m_View._41;
}

DXVector3 Camera::GetYawPitchRoll() const {
  const float x = std::asin(-m_View._32);
  // Looking along the y axis leaves yaw and roll about the same axis: all of
  // it goes to z.
  if (std::cos(x) <= 0.001f) return DXVector3(x, 0.0f, std::atan2(-m_View._21, m_View._11));
  return DXVector3(x, std::atan2(m_View._31, m_View._33), std::atan2(m_View._12, m_View._22));
}

void Camera::SetPerspectiveProj(float width, float height, float zn, float zf) {
  const float k = zn / std::max(width, height);
  SetPerspectiveProjEx(width * k, height * k, zn, zf);
}

void Camera::SetPerspectiveProjEx(float w, float h, float zn, float zf) {
  D3DXMatrixPerspectiveLH(&m_Projection, w, h, zn, zf);
  m_NearPlane = zn;
  m_FarPlane = zf;
}

void Camera::SetPerspectiveProjFov(float fovY, float aspect, float zn, float zf) {
  D3DXMatrixPerspectiveFovLH(&m_Projection, fovY, aspect, zn, zf);
  m_NearPlane = zn;
  m_FarPlane = zf;
}

void Camera::SetOrthoProj(float w, float h, float zn, float zf) {
  D3DXMatrixOrthoLH(&m_Projection, w, h, zn, zf);
  m_NearPlane = zn;
  m_FarPlane = zf;
}

void Camera::SetProjMatrix(const DXMatrix& m) {
  m_Projection = m;
  m_NearPlane = -m._43 / m._33;
  m_FarPlane = m._43 / (1.0f - m._33);
}

Frustum Camera::GetViewFrustum() const {
  // The corners of the clip volume: near face (z = 0) c0..c3, far face c4..c7.
  static const DXVector3 kClipCorners[8] = {
      DXVector3(-1.0f, -1.0f, 0.0f), DXVector3(1.0f, -1.0f, 0.0f), DXVector3(1.0f, 1.0f, 0.0f),
      DXVector3(-1.0f, 1.0f, 0.0f),  DXVector3(-1.0f, -1.0f, 1.0f), DXVector3(1.0f, -1.0f, 1.0f),
      DXVector3(1.0f, 1.0f, 1.0f),   DXVector3(-1.0f, 1.0f, 1.0f)};

  const DXMatrix inverse = InverseOrSame(GetViewProjMatrix());
  DXVector3 c[8];
  D3DXVec3TransformCoordArray(c, sizeof(DXVector3), kClipCorners, sizeof(DXVector3), &inverse, 8);

  // Left, right, top, bottom, near, far.
  static const int kPlaneCorners[6][3] = {{3, 7, 4}, {2, 5, 6}, {3, 6, 7}, {1, 4, 5}, {0, 1, 2}, {7, 6, 5}};
  Frustum frustum;
  for (const auto& corners : kPlaneCorners) {
    DXPlane plane;
    D3DXPlaneFromPoints(&plane, &c[corners[0]], &c[corners[1]], &c[corners[2]]);
    frustum.Planes.Push(plane);
  }
  return frustum;
}

Ray Camera::GetMousePickRay(int x, int y, const ViewPort& vp) const {
  // The pixel on the view-space plane z = 1, carried into world space.
  const float px = (2.0f * x / vp.Width - 1.0f) / m_Projection._11;
  const float py = -(2.0f * y / vp.Height - 1.0f) / m_Projection._22;
  const DXMatrix i = InverseOrSame(m_View);
  Ray ray;
  ray.Direction = DXVector3(px * i._11 + py * i._21 + i._31, px * i._12 + py * i._22 + i._32,
                            px * i._13 + py * i._23 + i._33);
  ray.Origin = DXVector3(i._41, i._42, i._43);
  return ray;
}
