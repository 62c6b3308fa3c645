// The D3DX math functions against values worked out by hand from their
// published definitions (row vectors, left-handed).
#include <gtest/gtest.h>

#include <d3dx10.h>

#include <cmath>
#include <cstddef>
#include <random>
#include <vector>

namespace {

const float kPi = 3.14159265358979f;

void ExpectNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected, float tolerance = 1e-5f) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j)
      EXPECT_NEAR(actual.m[i][j], expected.m[i][j], tolerance) << "element _" << i + 1 << j + 1;
}

void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tolerance = 1e-5f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
}

void ExpectNear(const D3DXQUATERNION& actual, const D3DXQUATERNION& expected, float tolerance = 1e-5f) {
  EXPECT_NEAR(actual.x, expected.x, tolerance);
  EXPECT_NEAR(actual.y, expected.y, tolerance);
  EXPECT_NEAR(actual.z, expected.z, tolerance);
  EXPECT_NEAR(actual.w, expected.w, tolerance);
}

D3DXVECTOR3 Transform(const D3DXVECTOR3& v, const D3DXMATRIX& m) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &v, &m);
  return out;
}

D3DXMATRIX RandomMatrix(std::mt19937& random) {
  std::uniform_real_distribution<float> value(-2.0f, 2.0f);
  D3DXMATRIX m;
  for (int i = 0; i < 16; ++i) m.m[i / 4][i % 4] = value(random);
  return m;
}

D3DXQUATERNION RandomUnitQuaternion(std::mt19937& random) {
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  D3DXQUATERNION q(value(random), value(random), value(random), value(random));
  D3DXQuaternionNormalize(&q, &q);
  return q;
}

}  // namespace

TEST(D3DXTypes, LayoutsAndOperators) {
  EXPECT_EQ(sizeof(D3DXVECTOR2) + sizeof(D3DXVECTOR3) + sizeof(D3DXVECTOR4), 36u);
  EXPECT_EQ(sizeof(D3DXMATRIX), 64u);
  EXPECT_EQ(sizeof(D3DXQUATERNION) + sizeof(D3DXPLANE) + sizeof(D3DXCOLOR), 48u);
  EXPECT_EQ(offsetof(D3DXMATRIX, _23), 6 * sizeof(float));

  D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  EXPECT_EQ(m.m[1][2], 7.0f);
  EXPECT_EQ(m(3, 0), 13.0f);
  EXPECT_TRUE(D3DXMATRIX(static_cast<const float*>(m)) == m);
  EXPECT_TRUE((2.0f * m - m) == m);

  D3DXVECTOR3 v(1, 2, 3);
  v += v;
  v -= D3DXVECTOR3(1, 1, 1);
  EXPECT_TRUE(v == D3DXVECTOR3(1, 3, 5));
  EXPECT_TRUE(-v / 2.0f == D3DXVECTOR3(-0.5f, -1.5f, -2.5f));
  EXPECT_EQ(static_cast<float*>(v)[2], 5.0f);

  // Matrix and quaternion products compose in the order of the functions.
  D3DXMATRIX product, assigned = m;
  D3DXMatrixMultiply(&product, &m, &m);
  assigned *= m;
  EXPECT_TRUE(m * m == product && assigned == product);
  D3DXQUATERNION a(0.1f, 0.2f, 0.3f, 0.9f), b(-0.4f, 0.1f, 0.2f, 0.8f), ab;
  D3DXQuaternionMultiply(&ab, &a, &b);
  EXPECT_TRUE(a * b == ab);
}

TEST(D3DXTypes, ColorConvertsToAndFromArgb) {
  const D3DXCOLOR color(0x80FF4000u);
  EXPECT_FLOAT_EQ(color.r, 1.0f);
  EXPECT_FLOAT_EQ(color.g, 64.0f / 255.0f);
  EXPECT_FLOAT_EQ(color.b, 0.0f);
  EXPECT_FLOAT_EQ(color.a, 128.0f / 255.0f);
  EXPECT_EQ(static_cast<DWORD>(color), 0x80FF4000u);
  // Out-of-range channels clamp; in-range ones round to nearest.
  EXPECT_EQ(static_cast<DWORD>(D3DXCOLOR(2.0f, -1.0f, 0.5f, 1.0f)), 0xFFFF0080u);
}

TEST(D3DXVector, BasicOperations) {
  const D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0);
  D3DXVECTOR3 out;
  ExpectNear(*D3DXVec3Cross(&out, &x, &y), D3DXVECTOR3(0, 0, 1));
  const D3DXVECTOR3 a(1, 2, 3), b(4, -5, 6);
  EXPECT_FLOAT_EQ(D3DXVec3Dot(&a, &b), 12.0f);
  ExpectNear(*D3DXVec3Cross(&out, &a, &b), D3DXVECTOR3(27, 6, -13));
  const D3DXVECTOR3 v(3, 4, 0);
  EXPECT_FLOAT_EQ(D3DXVec3Length(&v), 5.0f);
  EXPECT_FLOAT_EQ(D3DXVec3LengthSq(&v), 25.0f);
  ExpectNear(*D3DXVec3Normalize(&out, &v), D3DXVECTOR3(0.6f, 0.8f, 0));
  // The output may be the input.
  D3DXVECTOR3 inPlace = a;
  D3DXVec3Cross(&inPlace, &inPlace, &b);
  ExpectNear(inPlace, D3DXVECTOR3(27, 6, -13));
}

TEST(D3DXVector, NormalizingZeroGivesZero) {
  const D3DXVECTOR3 zero(0, 0, 0);
  D3DXVECTOR3 out(1, 1, 1);
  D3DXVec3Normalize(&out, &zero);
  EXPECT_TRUE(out == zero);
  const D3DXQUATERNION zeroQ(0, 0, 0, 0);
  D3DXQUATERNION q(1, 1, 1, 1);
  D3DXQuaternionNormalize(&q, &zeroQ);
  EXPECT_TRUE(q == zeroQ);
  const D3DXPLANE zeroPlane(0, 0, 0, 5);
  D3DXPLANE p;
  D3DXPlaneNormalize(&p, &zeroPlane);
  EXPECT_TRUE(p == D3DXPLANE(0, 0, 0, 0));
}

TEST(D3DXVector, TransformCoordDividesByW) {
  D3DXMATRIX projection;
  D3DXMatrixPerspectiveLH(&projection, 2, 2, 1, 101);
  // z' = 51 * 1.01 - 1.01 = 50.5, w = 51.
  ExpectNear(Transform(D3DXVECTOR3(0, 0, 51), projection), D3DXVECTOR3(0, 0, 50.5f / 51.0f));
  ExpectNear(Transform(D3DXVECTOR3(51, 0, 51), projection), D3DXVECTOR3(1, 0, 50.5f / 51.0f));

  D3DXMATRIX translation;
  D3DXMatrixTranslation(&translation, 1, 2, 3);
  const D3DXVECTOR3 v(1, 1, 1);
  ExpectNear(Transform(v, translation), D3DXVECTOR3(2, 3, 4));
  D3DXVECTOR3 normal;
  ExpectNear(*D3DXVec3TransformNormal(&normal, &v, &translation), v);

  // The array form honours both strides and leaves the bytes between alone.
  struct Vertex {
    D3DXVECTOR3 position;
    float tag;
  };
  Vertex in[3] = {{D3DXVECTOR3(0, 0, 0), 7}, {D3DXVECTOR3(1, 0, 0), 8}, {D3DXVECTOR3(0, 5, 0), 9}};
  Vertex out[3] = {{D3DXVECTOR3(), -1}, {D3DXVECTOR3(), -2}, {D3DXVECTOR3(), -3}};
  D3DXVec3TransformCoordArray(&out[0].position, sizeof(Vertex), &in[0].position, sizeof(Vertex), &translation, 3);
  ExpectNear(out[0].position, D3DXVECTOR3(1, 2, 3));
  ExpectNear(out[1].position, D3DXVECTOR3(2, 2, 3));
  ExpectNear(out[2].position, D3DXVECTOR3(1, 7, 3));
  EXPECT_EQ(out[1].tag, -2.0f);
}

TEST(D3DXMatrix, MultiplyComposesLeftThenRight) {
  const D3DXMATRIX a(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  const D3DXMATRIX b(1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 3, 0, 1, 1, 1, 1);
  // Row 1 of a x b: (1 + 4, 4 + 4, 9 + 4, 4).
  const D3DXMATRIX expected(5, 8, 13, 4, 13, 20, 29, 8, 21, 32, 45, 12, 29, 44, 61, 16);
  D3DXMATRIX out;
  EXPECT_EQ(D3DXMatrixMultiply(&out, &a, &b), &out);
  EXPECT_TRUE(out == expected);
  D3DXMATRIX aliased = a;
  D3DXMatrixMultiply(&aliased, &aliased, &b);
  EXPECT_TRUE(aliased == expected);
  aliased = b;
  D3DXMatrixMultiply(&aliased, &a, &aliased);
  EXPECT_TRUE(aliased == expected);

  // Scale, then translate: the point is scaled first.
  D3DXMATRIX scale, translate, both;
  D3DXMatrixScaling(&scale, 2, 3, 4);
  D3DXMatrixTranslation(&translate, 1, 1, 1);
  D3DXMatrixMultiply(&both, &scale, &translate);
  ExpectNear(Transform(D3DXVECTOR3(1, 1, 1), both), D3DXVECTOR3(3, 4, 5));
}

TEST(D3DXMatrix, InverseAndDeterminant) {
  // Scale (2, 4, 8) then translate (1, 2, 3).
  const D3DXMATRIX m(2, 0, 0, 0, 0, 4, 0, 0, 0, 0, 8, 0, 1, 2, 3, 1);
  D3DXMATRIX inverse;
  float determinant = 0;
  ASSERT_EQ(D3DXMatrixInverse(&inverse, &determinant, &m), &inverse);
  EXPECT_FLOAT_EQ(determinant, 64.0f);
  ExpectNear(inverse, D3DXMATRIX(0.5f, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 0.125f, 0, -0.5f, -0.5f, -0.375f, 1));

  // A general matrix whose inverse has small integer entries.
  const D3DXMATRIX g(2, 1, 0, 0, 1, 1, 0, 0, 0, 0, 1, 3, 0, 0, 0, 1);
  ASSERT_NE(D3DXMatrixInverse(&inverse, &determinant, &g), nullptr);
  EXPECT_FLOAT_EQ(determinant, 1.0f);
  ExpectNear(inverse, D3DXMATRIX(1, -1, 0, 0, -1, 2, 0, 0, 0, 0, 1, -3, 0, 0, 0, 1));

  std::mt19937 random(7);
  for (int i = 0; i < 50; ++i) {
    const D3DXMATRIX r = RandomMatrix(random);
    D3DXMATRIX rInverse = r, identity, product;
    if (!D3DXMatrixInverse(&rInverse, nullptr, &rInverse)) continue;
    D3DXMatrixIdentity(&identity);
    D3DXMatrixMultiply(&product, &r, &rInverse);
    ExpectNear(product, identity, 2e-3f);
  }
}

TEST(D3DXMatrix, SingularInverseReturnsNullAndTouchesNothing) {
  const D3DXMATRIX singular(1, 2, 3, 4, 2, 4, 6, 8, 0, 0, 1, 0, 0, 0, 0, 1);
  D3DXMATRIX out(9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9);
  const D3DXMATRIX before = out;
  float determinant = 42.0f;
  EXPECT_EQ(D3DXMatrixInverse(&out, &determinant, &singular), nullptr);
  EXPECT_TRUE(out == before);
  EXPECT_EQ(determinant, 42.0f);
  D3DXMATRIX zero(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
  EXPECT_EQ(D3DXMatrixInverse(&zero, nullptr, &zero), nullptr);
}

TEST(D3DXMatrix, Transpose) {
  const D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  D3DXMATRIX t = m;
  D3DXMatrixTranspose(&t, &t);
  EXPECT_TRUE(t == D3DXMATRIX(1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16));
}

TEST(D3DXMatrix, LookAtLH) {
  D3DXMATRIX view;
  const D3DXVECTOR3 up(0, 1, 0), origin(0, 0, 0);
  // From (5, 0, 0) towards the origin: view z is world -x, view x is world z.
  const D3DXVECTOR3 eye(5, 0, 0);
  D3DXMatrixLookAtLH(&view, &eye, &origin, &up);
  ExpectNear(view, D3DXMATRIX(0, 0, -1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 5, 1));

  // Any eye: the eye maps to the origin, the target onto the view z axis.
  const D3DXVECTOR3 eye2(1, 2, 3), at2(-2, 0, 7);
  D3DXMatrixLookAtLH(&view, &eye2, &at2, &up);
  ExpectNear(Transform(eye2, view), origin);
  const D3DXVECTOR3 diff = at2 - eye2;
  ExpectNear(Transform(at2, view), D3DXVECTOR3(0, 0, D3DXVec3Length(&diff)), 1e-4f);
}

TEST(D3DXMatrix, Projections) {
  D3DXMATRIX m;
  D3DXMatrixPerspectiveLH(&m, 2, 1, 1, 101);
  ExpectNear(m, D3DXMATRIX(1, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1.01f, 1, 0, 0, -1.01f, 0));
  D3DXMatrixPerspectiveFovLH(&m, kPi / 2, 2, 1, 101);
  ExpectNear(m, D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.01f, 1, 0, 0, -1.01f, 0));
  D3DXMatrixOrthoLH(&m, 4, 2, 1, 11);
  ExpectNear(m, D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0.1f, 0, 0, 0, -0.1f, 1));
  // The near plane maps to depth 0, the far plane to 1.
  D3DXMatrixPerspectiveFovLH(&m, 1.0f, 1.5f, 0.5f, 200);
  EXPECT_NEAR(Transform(D3DXVECTOR3(0, 0, 0.5f), m).z, 0.0f, 1e-6f);
  EXPECT_NEAR(Transform(D3DXVECTOR3(0, 0, 200), m).z, 1.0f, 1e-6f);
}

TEST(D3DXMatrix, Rotations) {
  const float quarter = kPi / 2;
  D3DXMATRIX m;
  // Left-handed: +90 degrees about x takes y to z, about y z to x, about z x to y.
  D3DXMatrixRotationX(&m, quarter);
  ExpectNear(Transform(D3DXVECTOR3(0, 1, 0), m), D3DXVECTOR3(0, 0, 1));
  D3DXMatrixRotationY(&m, quarter);
  ExpectNear(Transform(D3DXVECTOR3(0, 0, 1), m), D3DXVECTOR3(1, 0, 0));
  D3DXMatrixRotationZ(&m, quarter);
  ExpectNear(Transform(D3DXVECTOR3(1, 0, 0), m), D3DXVECTOR3(0, 1, 0));

  // The axis is normalised; a third of a turn about (1, 1, 1) cycles the axes.
  D3DXMATRIX z, axis;
  const D3DXVECTOR3 longZ(0, 0, 2), diagonal(1, 1, 1);
  D3DXMatrixRotationZ(&z, 0.7f);
  D3DXMatrixRotationAxis(&axis, &longZ, 0.7f);
  ExpectNear(axis, z);
  D3DXMatrixRotationAxis(&axis, &diagonal, 2 * kPi / 3);
  ExpectNear(Transform(D3DXVECTOR3(1, 0, 0), axis), D3DXVECTOR3(0, 1, 0));

  // Yaw, pitch, roll: roll about z first, then pitch about x, then yaw about y.
  D3DXMATRIX ypr, rx, ry, rz, expected;
  D3DXMatrixRotationYawPitchRoll(&ypr, 0.3f, -0.5f, 1.1f);
  D3DXMatrixRotationY(&ry, 0.3f);
  D3DXMatrixRotationX(&rx, -0.5f);
  D3DXMatrixRotationZ(&rz, 1.1f);
  D3DXMatrixMultiply(&expected, &rz, &rx);
  D3DXMatrixMultiply(&expected, &expected, &ry);
  ExpectNear(ypr, expected);
}

TEST(D3DXQuaternion, AxisAngleAndMatrix) {
  D3DXQUATERNION q;
  const D3DXVECTOR3 y(0, 3, 0);
  D3DXQuaternionRotationAxis(&q, &y, kPi / 2);
  const float h = std::sqrt(0.5f);
  ExpectNear(q, D3DXQUATERNION(0, h, 0, h));

  // The quaternion's matrix is the axis-angle matrix.
  std::mt19937 random(3);
  std::uniform_real_distribution<float> value(-1.0f, 1.0f);
  for (int i = 0; i < 20; ++i) {
    const D3DXVECTOR3 axis(value(random), value(random), value(random) + 1.5f);
    const float angle = 3 * value(random);
    D3DXMATRIX fromQuaternion, fromAxis;
    D3DXQuaternionRotationAxis(&q, &axis, angle);
    D3DXMatrixRotationQuaternion(&fromQuaternion, &q);
    D3DXMatrixRotationAxis(&fromAxis, &axis, angle);
    ExpectNear(fromQuaternion, fromAxis);
  }
}

TEST(D3DXQuaternion, RotationMatrixRecoversTheQuaternion) {
  std::mt19937 random(11);
  // Random rotations exercise the positive-trace case; half turns about each
  // axis exercise the three largest-diagonal cases.
  std::vector<D3DXQUATERNION> cases;
  for (int i = 0; i < 20; ++i) cases.push_back(RandomUnitQuaternion(random));
  cases.push_back(D3DXQUATERNION(1, 0, 0, 0));
  cases.push_back(D3DXQUATERNION(0, 1, 0, 0));
  cases.push_back(D3DXQUATERNION(0, 0, 1, 0));
  cases.push_back(D3DXQUATERNION(0.6f, 0, 0.8f, 0));
  for (const D3DXQUATERNION& q : cases) {
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &q);
    D3DXQUATERNION back;
    D3DXQuaternionRotationMatrix(&back, &m);
    // q and -q are the same rotation.
    const float sign = (back.x * q.x + back.y * q.y + back.z * q.z + back.w * q.w) < 0 ? -1.0f : 1.0f;
    ExpectNear(back * sign, q, 1e-5f);
  }
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  D3DXQUATERNION q;
  ExpectNear(*D3DXQuaternionRotationMatrix(&q, &identity), D3DXQUATERNION(0, 0, 0, 1));
}

TEST(D3DXQuaternion, MultiplyRotatesByTheFirstThenTheSecond) {
  const float h = std::sqrt(0.5f);
  const D3DXQUATERNION x90(h, 0, 0, h), y90(0, h, 0, h);
  D3DXQUATERNION q;
  D3DXQuaternionMultiply(&q, &x90, &y90);
  ExpectNear(q, D3DXQUATERNION(0.5f, 0.5f, -0.5f, 0.5f));
  D3DXMATRIX m;
  D3DXMatrixRotationQuaternion(&m, &q);
  // y -> z under x90, then z -> x under y90.
  ExpectNear(Transform(D3DXVECTOR3(0, 1, 0), m), D3DXVECTOR3(1, 0, 0));

  std::mt19937 random(5);
  for (int i = 0; i < 10; ++i) {
    const D3DXQUATERNION a = RandomUnitQuaternion(random), b = RandomUnitQuaternion(random);
    D3DXMATRIX ma, mb, mab, expected;
    D3DXQuaternionMultiply(&q, &a, &b);
    D3DXMatrixRotationQuaternion(&mab, &q);
    D3DXMatrixRotationQuaternion(&ma, &a);
    D3DXMatrixRotationQuaternion(&mb, &b);
    D3DXMatrixMultiply(&expected, &ma, &mb);
    ExpectNear(mab, expected);
  }
}

TEST(D3DXQuaternion, Slerp) {
  const D3DXQUATERNION identity(0, 0, 0, 1);
  const D3DXQUATERNION z90(0, 0, std::sin(kPi / 4), std::cos(kPi / 4));
  const D3DXQUATERNION z45(0, 0, std::sin(kPi / 8), std::cos(kPi / 8));
  D3DXQUATERNION q;
  ExpectNear(*D3DXQuaternionSlerp(&q, &identity, &z90, 0), identity);
  ExpectNear(*D3DXQuaternionSlerp(&q, &identity, &z90, 1), z90);
  ExpectNear(*D3DXQuaternionSlerp(&q, &identity, &z90, 0.5f), z45);
  // Towards -z90 (the same rotation) it still takes the short way.
  const D3DXQUATERNION minusZ90 = -z90;
  ExpectNear(*D3DXQuaternionSlerp(&q, &identity, &minusZ90, 0.5f), z45);
  // Opposite quaternions are one rotation: every t gives the first.
  const D3DXQUATERNION minusIdentity = -identity;
  for (float t : {0.0f, 0.3f, 1.0f}) ExpectNear(*D3DXQuaternionSlerp(&q, &identity, &minusIdentity, t), identity);
  // Nearly equal inputs are blended linearly.
  const D3DXQUATERNION close(0, 0, 0.01f, 0.99995f);
  ExpectNear(*D3DXQuaternionSlerp(&q, &identity, &close, 0.5f), D3DXQUATERNION(0, 0, 0.005f, 0.999975f), 1e-7f);
}

TEST(D3DXPlane, FromPointsNormalizeAndDot) {
  D3DXPLANE p;
  const D3DXVECTOR3 a(0, 0, 2), b(0, 3, 2), c(3, 0, 2);
  // (b - a) x (c - a) = (0, 3, 0) x (3, 0, 0) = (0, 0, -9), normalised.
  D3DXPlaneFromPoints(&p, &a, &b, &c);
  EXPECT_FLOAT_EQ(p.a, 0);
  EXPECT_FLOAT_EQ(p.b, 0);
  EXPECT_FLOAT_EQ(p.c, -1);
  EXPECT_FLOAT_EQ(p.d, 2);
  const D3DXVECTOR3 below(5, 5, 0);
  EXPECT_FLOAT_EQ(D3DXPlaneDotCoord(&p, &below), 2);

  const D3DXPLANE scaled(0, 3, 4, 10);
  D3DXPlaneNormalize(&p, &scaled);
  EXPECT_TRUE(p == D3DXPLANE(0, 0.6f, 0.8f, 2));
}

TEST(D3DXIntersect, TriangleHitsAndMisses) {
  const D3DXVECTOR3 p0(0, 0, 5), p1(4, 0, 5), p2(0, 4, 5);
  float u = -1, v = -1, dist = -1;
  const D3DXVECTOR3 down(0, 0, 2);
  D3DXVECTOR3 from(1, 2, 0);
  ASSERT_TRUE(D3DXIntersectTri(&p0, &p1, &p2, &from, &down, &u, &v, &dist));
  EXPECT_FLOAT_EQ(u, 0.25f);
  EXPECT_FLOAT_EQ(v, 0.5f);
  EXPECT_FLOAT_EQ(dist, 2.5f);  // in units of the direction's length
  // From the other side.
  from = D3DXVECTOR3(1, 1, 9);
  const D3DXVECTOR3 up(0, 0, -1);
  ASSERT_TRUE(D3DXIntersectTri(&p0, &p1, &p2, &from, &up, &u, &v, &dist));
  EXPECT_FLOAT_EQ(dist, 4.0f);
  // Behind the ray, beside the triangle, parallel to it.
  EXPECT_FALSE(D3DXIntersectTri(&p0, &p1, &p2, &from, &down, &u, &v, &dist));
  from = D3DXVECTOR3(3, 3, 0);
  EXPECT_FALSE(D3DXIntersectTri(&p0, &p1, &p2, &from, &down, &u, &v, &dist));
  from = D3DXVECTOR3(1, 1, 5);
  const D3DXVECTOR3 sideways(1, 0, 0);
  EXPECT_FALSE(D3DXIntersectTri(&p0, &p1, &p2, &from, &sideways, &u, &v, &dist));
  // Vertices and edges count as hits.
  const D3DXVECTOR3 onEdges[] = {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(4, 0, 0), D3DXVECTOR3(0, 4, 0), D3DXVECTOR3(2, 2, 0)};
  for (const D3DXVECTOR3& corner : onEdges)
    EXPECT_TRUE(D3DXIntersectTri(&p0, &p1, &p2, &corner, &down, nullptr, nullptr, nullptr));
}
