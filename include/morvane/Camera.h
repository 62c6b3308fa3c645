// Camera, Ray, Frustum: a viewer's position, orientation, view and projection
// matrices, and what is derived from them (view-projection, frustum planes,
// the pick ray under the mouse).
//
// Conventions are Direct3D's: row vectors (p x M), left-handed. Every
// operation except BuildView and FlipSide keeps this invariant: the upper 3x3
// of the view matrix is the rotation matrix of the rotation quaternion, and
// the translation row is -(position . column k) for k = 1, 2, 3. The view's
// columns are the camera's right, up and viewing axes in world space.
#pragma once

#include "DXMath.h"
#include "GrowArray.h"
#include "ViewPort.h"

struct Ray {
  DXVector3 Origin;
  DXVector3 Direction;  // not normalised
};

struct Frustum {
  // Left, right, top, bottom, near, far, each through three frustum corners
  // with a unit normal. Unless the view is mirrored (FlipSide) the inside is
  // on the positive side of all six.
  GrowArray<DXPlane> Planes;
};

class Camera {
 public:
  Camera();
  // The view as SetViewMatrix takes it, the projection as SetProjMatrix.
  Camera(const DXMatrix& view, const DXMatrix& proj);

  // Position at the origin, identity rotation, view and projection, near and far 0.
  void Reset();

  DXVector3 GetPosition() const { return m_Position; }
  // The world-to-view rotation, not the camera's orientation in the world.
  const D3DXQUATERNION& GetRotation() const { return m_Rotation; }
  DXMatrix GetViewMatrix() const { return m_View; }
  DXMatrix GetProjMatrix() const { return m_Projection; }
  float GetNearPlane() const { return m_NearPlane; }
  float GetFarPlane() const { return m_FarPlane; }
  DXMatrix GetViewProjMatrix() const;
  // Projection _22 / _11.
  float GetAspectRatio() const { return m_Projection._22 / m_Projection._11; }
  DXVector3 GetViewRightVector() const { return DXVector3(m_View._11, m_View._21, m_View._31); }
  DXVector3 GetViewUpVector() const { return DXVector3(m_View._12, m_View._22, m_View._32); }
  DXVector3 GetViewDirVector() const { return DXVector3(m_View._13, m_View._23, m_View._33); }

  void SetPosition(const DXVector3& p);
  // By d along the world axes.
  void Move(const DXVector3& d);
  // By d along the camera's right, up and viewing axes.
  void MoveOriented(const DXVector3& d);
  void SetRotation(const D3DXQUATERNION& q);
  // Looks from the current position at a point; the position is unchanged.
  void SetLookAt(const DXVector3& at, const DXVector3& up);
  // Rotates by angles.x, .y, .z radians (in this order, zeros skipped) about
  // the world axes.
  void Rotate(const DXVector3& angles);
  // The same about the camera's own axes.
  void RotateOriented(const DXVector3& angles);
  // Takes any view matrix; the position and rotation are derived from it.
  void SetViewMatrix(const DXMatrix& m);
  // Writes the view matrix alone from an eye and three axes; position and
  // rotation keep their values, so the invariant no longer holds.
  void BuildView(const DXVector3& eye, const DXVector3& dir, const DXVector3& right, const DXVector3& up);
  // Mirrors the right axis of the view matrix alone.
  void FlipSide();
  // (x, y, z) angles read back from the view matrix; y is 0 when the view
  // looks (nearly) straight up or down the world y axis.
  DXVector3 GetYawPitchRoll() const;

  // Each of these sets near and far to zn and zf. SetPerspectiveProj fits the
  // larger of width and height to a field of view of 2 atan(1/2).
  void SetPerspectiveProj(float width, float height, float zn, float zf);
  void SetPerspectiveProjEx(float w, float h, float zn, float zf);
  void SetPerspectiveProjFov(float fovY, float aspect, float zn, float zf);
  void SetOrthoProj(float w, float h, float zn, float zf);
  // Takes any projection; near and far follow from the perspective relations.
  void SetProjMatrix(const DXMatrix& m);

  Frustum GetViewFrustum() const;
  // The ray from the eye through pixel (x, y), counted from the viewport's
  // top-left corner; only the viewport's width and height are used.
  Ray GetMousePickRay(int x, int y, const ViewPort& vp) const;

 private:
  // Rebuilds the translation row from the position and the view's axes.
  void UpdateTranslation();
  // Rebuilds the view from the rotation and the position.
  void UpdateView();

  DXVector3 m_Position;
  D3DXQUATERNION m_Rotation;
  DXMatrix m_View;
  DXMatrix m_Projection;
  float m_NearPlane;
  float m_FarPlane;
};
