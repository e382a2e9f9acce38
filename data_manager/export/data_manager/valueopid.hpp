// SPDX-License-Identifier: Apache-2.0
//
// ValueOpId: the 42 operators of ValueOperator. The value indexes every
// operator table.
#ifndef DATA_MANAGER_EXPORT_VALUEOPID_HPP
#define DATA_MANAGER_EXPORT_VALUEOPID_HPP

namespace data_manager {

struct ValueOpId {
  enum Type : int {
    Plus = 0,
    UPlus = 1,
    Minus = 2,
    UMinus = 3,
    MTimes = 4,
    Times = 5,
    MPower = 6,
    Power = 7,
    MlDivide = 8,
    MrDivide = 9,
    LDivide = 10,
    RDivide = 11,
    Eq = 12,
    Ne = 13,
    Lt = 14,
    Gt = 15,
    Le = 16,
    Ge = 17,
    And = 18,
    Or = 19,
    Sin = 20,
    Cos = 21,
    Tan = 22,
    ASin = 23,
    ACos = 24,
    ATan = 25,
    Atan2 = 26,
    Log = 27,
    Log10 = 28,
    Sinh = 29,
    Cosh = 30,
    Tanh = 31,
    Exp = 32,
    Sqrt = 33,
    Abs = 34,
    Floor = 35,
    Ceil = 36,
    IsInf = 37,
    IsNan = 38,
    Not = 39,
    Transpose = 40,
    CTranspose = 41,
    NumValueOps = 42,  // the terminator; no operator
  };
};

}  // namespace data_manager

#endif  // DATA_MANAGER_EXPORT_VALUEOPID_HPP
