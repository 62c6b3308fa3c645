#include <gtest/gtest.h>

#include <cmath>

#include <morvane/Camera.h>

namespace {

const float kPi = 3.14159265358979f;

void ExpectNear(const DXMatrix& actual, const DXMatrix& expected, float tolerance = 1e-5f) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(actual.m[i][j], expected.m[i][j], tolerance) << "element _" << i + 1 << j + 1;
}

void ExpectNear(const DXVector3& actual, const DXVector3& expected, float tolerance = 1e-5f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

DXVector3 Transform(const DXVector3& v, const DXMatrix& m) {
  DXVector3 out;
  D3DXVec3TransformCoord(&out, &v, &m);
  return out;
}

DXMatrix Identity() {
  DXMatrix m;
  D3DXMatrixIdentity(&m);
  return m;
}

DXMatrix LookAt(const DXVector3& eye, const DXVector3& at, const DXVector3& up) {
  DXMatrix m;
  D3DXMatrixLookAtLH(&m, &eye, &at, &up);
  return m;
}

// The view's upper 3x3 is the rotation's matrix and the eye maps to the origin.
void ExpectConsistent(const Camera& camera) {
  DXMatrix rotation;
  D3DXMatrixRotationQuaternion(&rotation, &camera.GetRotation());
  const DXMatrix view = camera.GetViewMatrix();
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(view.m[i][j], rotation.m[i][j], 1e-5f) << i << j;
  EXPECT_EQ(view._14, 0.0f);
  EXPECT_EQ(view._24, 0.0f);
  EXPECT_EQ(view._34, 0.0f);
  EXPECT_EQ(view._44, 1.0f);
  ExpectNear(Transform(camera.GetPosition(), view), DXVector3(0, 0, 0), 1e-4f);
}

}  // namespace

TEST(Camera, DefaultAndReset) {
  Camera camera;
  ExpectNear(camera.GetViewMatrix(), Identity(), 0);
  ExpectNear(camera.GetProjMatrix(), Identity(), 0);
  EXPECT_EQ(camera.GetNearPlane(), 0.0f);
  EXPECT_EQ(camera.GetFarPlane(), 0.0f);
  EXPECT_EQ(camera.GetAspectRatio(), 1.0f);
  EXPECT_TRUE(camera.GetPosition() == DXVector3(0, 0, 0));
  EXPECT_TRUE(camera.GetRotation() == D3DXQUATERNION(0, 0, 0, 1));

  camera.SetPosition(DXVector3(1, 2, 3));
  camera.Rotate(DXVector3(0.1f, 0.2f, 0.3f));
  camera.SetPerspectiveProjFov(1, 1.5f, 1, 10);
  const Camera copy = camera;
  ExpectNear(copy.GetViewMatrix(), camera.GetViewMatrix(), 0);
  EXPECT_EQ(copy.GetFarPlane(), 10.0f);
  camera.Reset();
  ExpectNear(camera.GetViewMatrix(), Identity(), 0);
  ExpectNear(camera.GetProjMatrix(), Identity(), 0);
  EXPECT_EQ(camera.GetFarPlane(), 0.0f);
}

TEST(Camera, Projections) {
  Camera camera;
  DXMatrix expected;
  // The larger dimension spans 2 atan(1/2); the other follows the aspect.
  camera.SetPerspectiveProj(800, 600, 1, 100);
  ExpectNear(camera.GetProjMatrix(), *D3DXMatrixPerspectiveLH(&expected, 1, 0.75f, 1, 100));
  camera.SetPerspectiveProj(600, 800, 1, 100);
  ExpectNear(camera.GetProjMatrix(), *D3DXMatrixPerspectiveLH(&expected, 0.75f, 1, 1, 100));
  EXPECT_EQ(camera.GetNearPlane(), 1.0f);
  EXPECT_EQ(camera.GetFarPlane(), 100.0f);

  camera.SetPerspectiveProjEx(4, 3, 2, 50);
  ExpectNear(camera.GetProjMatrix(), *D3DXMatrixPerspectiveLH(&expected, 4, 3, 2, 50), 0);
  camera.SetOrthoProj(4, 3, 0.5f, 20);
  ExpectNear(camera.GetProjMatrix(), *D3DXMatrixOrthoLH(&expected, 4, 3, 0.5f, 20), 0);
  EXPECT_EQ(camera.GetNearPlane(), 0.5f);
  EXPECT_EQ(camera.GetFarPlane(), 20.0f);
  camera.SetPerspectiveProjFov(1.2f, 1.5f, 3, 30);
  ExpectNear(camera.GetProjMatrix(), *D3DXMatrixPerspectiveFovLH(&expected, 1.2f, 1.5f, 3, 30), 0);
  EXPECT_NEAR(camera.GetAspectRatio(), 1.5f, 1e-6f);

  // A given matrix yields near and far through the perspective relations.
  camera.SetProjMatrix(*D3DXMatrixPerspectiveFovLH(&expected, 0.8f, 1.3f, 1, 100));
  EXPECT_NEAR(camera.GetNearPlane(), 1.0f, 1e-5f);
  EXPECT_NEAR(camera.GetFarPlane(), 100.0f, 1e-2f);
  ExpectNear(camera.GetViewProjMatrix(), expected, 0);
}

TEST(Camera, ViewMatrixGivesPositionAndRotation) {
  const DXVector3 eyes[] = {DXVector3(0, 0, -5), DXVector3(1, 2, 3), DXVector3(-7, 4, 0.5f), DXVector3(0, 10, 0.1f)};
  for (const DXVector3& eye : eyes) {
    Camera camera;
    const DXMatrix view = LookAt(eye, DXVector3(0.5f, 0, 1), DXVector3(0, 1, 0));
    camera.SetViewMatrix(view);
    ExpectNear(camera.GetPosition(), eye, 1e-4f);
    ExpectNear(camera.GetViewMatrix(), view, 0);
    ExpectConsistent(camera);
  }
  DXMatrix proj;
  D3DXMatrixPerspectiveFovLH(&proj, 1, 1, 2, 40);
  const Camera built(LookAt(DXVector3(3, 1, 2), DXVector3(0, 0, 0), DXVector3(0, 1, 0)), proj);
  ExpectNear(built.GetPosition(), DXVector3(3, 1, 2), 1e-4f);
  EXPECT_NEAR(built.GetNearPlane(), 2.0f, 1e-5f);
  EXPECT_NEAR(built.GetFarPlane(), 40.0f, 1e-2f);
}

TEST(Camera, PlacementKeepsTheInvariant) {
  Camera camera;
  camera.SetPosition(DXVector3(0, 0, 0));
  camera.SetLookAt(DXVector3(1, 0, 0), DXVector3(0, 1, 0));
  ExpectConsistent(camera);
  ExpectNear(camera.GetViewDirVector(), DXVector3(1, 0, 0));
  ExpectNear(camera.GetViewRightVector(), DXVector3(0, 0, -1));
  ExpectNear(camera.GetViewUpVector(), DXVector3(0, 1, 0));

  // Oriented moves follow the camera's axes, plain moves the world's.
  camera.MoveOriented(DXVector3(0, 0, 2));
  ExpectNear(camera.GetPosition(), DXVector3(2, 0, 0));
  camera.MoveOriented(DXVector3(1, 3, 0));
  ExpectNear(camera.GetPosition(), DXVector3(2, 3, -1));
  ExpectConsistent(camera);
  camera.Move(DXVector3(1, 1, 1));
  ExpectNear(camera.GetPosition(), DXVector3(3, 4, 0));
  ExpectConsistent(camera);

  // SetLookAt keeps the eye where it is.
  camera.SetLookAt(DXVector3(0, 0, 0), DXVector3(0, 1, 0));
  ExpectNear(camera.GetPosition(), DXVector3(3, 4, 0));
  ExpectNear(camera.GetViewMatrix(), LookAt(DXVector3(3, 4, 0), DXVector3(0, 0, 0), DXVector3(0, 1, 0)));
  ExpectConsistent(camera);

  D3DXQUATERNION q(0.1f, 0.7f, -0.2f, 0.5f);
  D3DXQuaternionNormalize(&q, &q);
  camera.SetRotation(q);
  EXPECT_TRUE(camera.GetRotation() == q);
  ExpectNear(camera.GetPosition(), DXVector3(3, 4, 0));
  ExpectConsistent(camera);
  camera.Rotate(DXVector3(0.3f, -0.2f, 0.1f));
  ExpectConsistent(camera);
  camera.RotateOriented(DXVector3(-0.4f, 0, 0.9f));
  ExpectConsistent(camera);
  ExpectNear(camera.GetPosition(), DXVector3(3, 4, 0));
}

TEST(Camera, RotateTurnsAboutWorldAxesRotateOrientedAboutOwnAxes) {
  const float a = 0.4f, b = -0.9f;
  DXMatrix rx, ry, expected;
  D3DXMatrixRotationX(&rx, a);
  D3DXMatrixRotationY(&ry, b);

  Camera oriented;
  oriented.SetPosition(DXVector3(1, 2, 3));
  oriented.RotateOriented(DXVector3(a, b, 0));
  D3DXMatrixMultiply(&expected, &rx, &ry);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(oriented.GetViewMatrix().m[i][j], expected.m[i][j], 1e-5f);
  ExpectConsistent(oriented);

  // About world axes the later turn applies on the world side of the view.
  Camera world;
  world.SetPosition(DXVector3(1, 2, 3));
  world.Rotate(DXVector3(a, b, 0));
  D3DXMatrixMultiply(&expected, &ry, &rx);
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) EXPECT_NEAR(world.GetViewMatrix().m[i][j], expected.m[i][j], 1e-5f);
  ExpectConsistent(world);
}

TEST(Camera, BuildViewFlipSideAndZeroRotation) {
  Camera camera;
  camera.SetPosition(DXVector3(1, 1, 1));
  const D3DXQUATERNION rotation = camera.GetRotation();
  const DXVector3 eye(5, 6, 7), dir(0, 0, 1), right(1, 0, 0), up(0, 1, 0);
  camera.BuildView(eye, dir, right, up);
  ExpectNear(camera.GetViewMatrix(), DXMatrix(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -5, -6, -7, 1), 0);
  // Position and rotation keep the values from before.
  EXPECT_TRUE(camera.GetPosition() == DXVector3(1, 1, 1));
  EXPECT_TRUE(camera.GetRotation() == rotation);

  // A zero rotation changes nothing but rebuilds the view from rotation and position.
  camera.Rotate(DXVector3(0, 0, 0));
  ExpectNear(camera.GetViewMatrix(), DXMatrix(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -1, -1, 1), 0);
  EXPECT_TRUE(camera.GetRotation() == rotation);
  camera.BuildView(eye, dir, right, up);
  camera.RotateOriented(DXVector3(0, 0, 0));
  ExpectNear(camera.GetViewMatrix(), DXMatrix(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -1, -1, 1), 0);

  camera.SetLookAt(DXVector3(4, -2, 3), DXVector3(0, 1, 0));
  const DXMatrix before = camera.GetViewMatrix();
  camera.FlipSide();
  DXMatrix expected = before;
  expected._11 = -expected._11;
  expected._21 = -expected._21;
  expected._31 = -expected._31;
  expected._41 = -expected._41;
  ExpectNear(camera.GetViewMatrix(), expected, 0);
  EXPECT_TRUE(camera.GetPosition() == DXVector3(1, 1, 1));
}

TEST(Camera, YawPitchRoll) {
  Camera camera;
  DXMatrix view;
  // The view of RotationYawPitchRoll(yaw, pitch, roll) reads back as (pitch, yaw, roll).
  camera.SetViewMatrix(*D3DXMatrixRotationYawPitchRoll(&view, 0.3f, 0.2f, 0.1f));
  ExpectNear(camera.GetYawPitchRoll(), DXVector3(0.2f, 0.3f, 0.1f));
  camera.SetViewMatrix(*D3DXMatrixRotationYawPitchRoll(&view, -2.0f, -1.0f, 2.5f));
  ExpectNear(camera.GetYawPitchRoll(), DXVector3(-1.0f, -2.0f, 2.5f));

  // Straight along the y axis yaw and roll turn about the same axis: y is 0
  // and z takes roll - yaw.
  camera.SetViewMatrix(*D3DXMatrixRotationYawPitchRoll(&view, 0.7f, kPi / 2, 0.3f));
  ExpectNear(camera.GetYawPitchRoll(), DXVector3(kPi / 2, 0.0f, -0.4f));
  EXPECT_EQ(camera.GetYawPitchRoll().y, 0.0f);
  camera.Reset();
  camera.SetLookAt(DXVector3(0, 1, 0), DXVector3(0, 0, 1));
  const DXVector3 angles = camera.GetYawPitchRoll();
  EXPECT_NEAR(angles.x, -kPi / 2, 1e-5f);
  EXPECT_EQ(angles.y, 0.0f);
  EXPECT_NEAR(std::fabs(angles.z), kPi, 1e-5f);
}

TEST(Camera, FrustumPlanesBoundTheViewVolume) {
  Camera camera;
  camera.SetPosition(DXVector3(1, 2, 3));
  camera.SetLookAt(DXVector3(-4, 0, 9), DXVector3(0, 1, 0));
  const float zn = 1, zf = 50;
  camera.SetPerspectiveProjFov(1.0f, 1.6f, zn, zf);
  const Frustum frustum = camera.GetViewFrustum();
  ASSERT_EQ(frustum.Planes.Size(), 6u);
  for (unsigned int i = 0; i < 6; ++i) {
    const DXPlane& p = frustum.Planes[i];
    EXPECT_NEAR(p.a * p.a + p.b * p.b + p.c * p.c, 1.0f, 1e-4f);
  }

  // Points given in view space, tested in world space.
  DXMatrix toWorld = camera.GetViewMatrix();
  ASSERT_NE(D3DXMatrixInverse(&toWorld, nullptr, &toWorld), nullptr);
  const DXMatrix proj = camera.GetProjMatrix();
  const float z = 20, halfWidth = z / proj._11, halfHeight = z / proj._22;
  struct Case {
    DXVector3 viewPoint;
    int outsidePlane;  // -1: inside all six
  };
  const Case cases[] = {
      {DXVector3(0, 0, z), -1},
      {DXVector3(0.9f * halfWidth, -0.9f * halfHeight, z), -1},
      {DXVector3(-1.1f * halfWidth, 0, z), 0},   // left
      {DXVector3(1.1f * halfWidth, 0, z), 1},    // right
      {DXVector3(0, 1.1f * halfHeight, z), 2},   // top
      {DXVector3(0, -1.1f * halfHeight, z), 3},  // bottom
      {DXVector3(0, 0, 0.9f * zn), 4},           // near
      {DXVector3(0, 0, 1.1f * zf), 5},           // far
  };
  for (const Case& c : cases) {
    const DXVector3 world = Transform(c.viewPoint, toWorld);
    for (int i = 0; i < 6; ++i) {
      const float distance = D3DXPlaneDotCoord(&frustum.Planes[i], &world);
      if (i == c.outsidePlane)
        EXPECT_LT(distance, 0.0f) << "plane " << i << " point " << c.viewPoint.x << "," << c.viewPoint.y;
      else
        EXPECT_GT(distance, 0.0f) << "plane " << i << " point " << c.viewPoint.x << "," << c.viewPoint.y;
    }
  }
}

TEST(Camera, PickRaysThroughViewportCorners) {
  ViewPort viewport = {0, 0, 640, 480, 0.0f, 1.0f};
  Camera camera;
  camera.SetPerspectiveProjFov(0.9f, 640.0f / 480.0f, 1, 100);
  // Identity view: the centre ray starts at the origin and looks down z.
  Ray ray = camera.GetMousePickRay(320, 240, viewport);
  ExpectNear(ray.Origin, DXVector3(0, 0, 0));
  ExpectNear(ray.Direction, DXVector3(0, 0, 1));

  camera.SetPosition(DXVector3(2, -1, 4));
  camera.SetLookAt(DXVector3(0, 0, 0), DXVector3(0, 1, 0));
  const DXMatrix viewProj = camera.GetViewProjMatrix();
  struct Corner {
    int x, y;
    float ndcX, ndcY;
  };
  const Corner corners[] = {{0, 0, -1, 1}, {640, 0, 1, 1}, {0, 480, -1, -1}, {640, 480, 1, -1}, {320, 240, 0, 0}};
  for (const Corner& corner : corners) {
    ray = camera.GetMousePickRay(corner.x, corner.y, viewport);
    ExpectNear(ray.Origin, DXVector3(2, -1, 4), 1e-4f);
    // Every point of the ray projects onto the pixel.
    for (float t : {2.0f, 30.0f}) {
      const DXVector3 ndc = Transform(ray.Origin + ray.Direction * t, viewProj);
      EXPECT_NEAR(ndc.x, corner.ndcX, 1e-4f) << corner.x << "," << corner.y;
      EXPECT_NEAR(ndc.y, corner.ndcY, 1e-4f) << corner.x << "," << corner.y;
    }
  }
  // The viewport's position and depth range play no part.
  const Ray before = camera.GetMousePickRay(100, 50, viewport);
  viewport.TopLeftX = 300;
  viewport.TopLeftY = -20;
  viewport.MaxDepth = 0.5f;
  const Ray after = camera.GetMousePickRay(100, 50, viewport);
  EXPECT_TRUE(before.Direction == after.Direction);
}
