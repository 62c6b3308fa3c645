#define A(x)x(##x*)#(x(#x*=, d[finato4>= A(ox(##x*)#(x(#x*=, d[findefine A(x)(x#[#x*x(##x*)#(x(#x*=, d[findefx#[#x*
flefine A(x)x(##x, d[findefine A(ne A(x)x(##x*)#(x(#x*=, d[finato4>= A(ox(##x*)#(x(#x*=, d[findefine A(x)(x#[#x*x(##x*)#(x(#x*=, d[findefx#[#x*
flefine A(x)x(##x, d[findefine A(x)(x#[#x*
flato4>= A(ox(defx#[#x*
flefine A(x)x(##x, d[findefine A(x)(x#[#x*
flato4>= A(ox(##x*)#(x(#x*=, d[findefine A(x)(x#[#x*x(##x*)#(x(#x*=, d[findefx#[#x*
flefine A(x)x(##x, d[findefine A(x)(x#[#x*
flato4>= A(ox(##x*)#(x(#x*=, d[findefine A(x)(x#[#x*
flefine A(x)x(##x, d[findefine A
flefine A(x)x(##x, d[findefine A(x)(x#[#x*
flato4 A(oat4))))))))))))))))))))))))))))))))))))))))))at4))))))))))))))))))))))))))))))))))))))))))))))())))))))))) A(B)fx)(x#[#x*
flato4>= A(ox(defx#[#x*
flefine A(x)x(##x, d[findefine A(x)(x#[#x*
flato4>= A(ox(##x*)#(x(#x*=, d[findefine A(x)(x#[#x*x(##x*)#(x(#x*=, d[findefx#[#x*
flefine A(x)x(##x, d[findefine A(x)(x#[#x*
flato4>= A(ox(##x*)#(x(#x*=, d[findefine A(x)(x#[#x*
flefine A(x)x(##x, d[findefine A
flefine A(x)x(##x, d[findefine A(x)(x#[#x*
flato4 A(oat4))))))))))))))))))))))))))))))))))))))))))at4))))))))))))))))))))))))))))))))))))))))))))))())))))))))) A(B)f
