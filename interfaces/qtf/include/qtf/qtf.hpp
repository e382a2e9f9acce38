// SPDX-License-Identifier: Apache-2.0
//
// The foundation library in one include.
#ifndef QTF_QTF_HPP
#define QTF_QTF_HPP

#include "qtf/allocator.hpp"
#include "qtf/assertion.hpp"
#include "qtf/datatypeid.hpp"
#include "qtf/dimension.hpp"
#include "qtf/hasher.hpp"
#include "qtf/messageexception.hpp"
#include "qtf/qtfmath.hpp"
#include "qtf/strings.hpp"
#include "qtf/subsref.hpp"

#endif  // QTF_QTF_HPP
