#pragma once
// ScriptableClass<T>: the request handling, description, invocation and message
// building that every addressable class of the host derives.

#include <map>
#include <new>
#include <string>

#include "arguments.h"
#include "host_exceptions.h"
#include "host_names.h"
#include "scriptable_class_base.h"

template <class T>
class ScriptableClass : public ScriptableClassBase {
public:
    typedef bool (T::*PropOp)(CNPVariant&);

    bool HasProperty(const std::string& name) override {
        CNPVariant unused;
        return propsProc(1, name, unused);
    }
    bool GetProperty(const std::string& name, CNPVariant& result) override {
        return propsProc(2, name, result);
    }
    bool SetProperty(const std::string& name, const CNPVariant& value) override {
        CNPVariant copy(value);
        return propsProc(3, name, copy);
    }

    JsValue getAllProps(JsValue& writable) override {
        (void)writable;  // no class of the host has writable properties
        JsValue props(Json::objectValue);
        for (typename PropTable::const_iterator it = m_propNames.begin();
             it != m_propNames.end(); ++it) {
            CNPVariant value;
            try {
                GetProperty(it->first, value);
            } catch (...) {
                value = CNPVariant();
            }
            props[it->first] = value;
        }
        return props;
    }

    void setAllProps(const JsValue& val) override {
        if (!js_counts_as_array(val) || val.isNull()) return;
        for (Json::ArrayIndex i = 0; i < val.size(); ++i) {
            const JsValue& element = val[i];
            if (!element.isObject() || element.empty()) continue;
            const std::string name = element.getMemberNames().front();
            if (HasProperty(name)) SetProperty(name, CNPVariant(element[name]));
        }
    }

    JsValue toJson() override {
        JsValue desc(Json::objectValue);
        desc[kNameClsId] = m_clsid;
        desc[kNameClsName] = m_clsName;
        JsValue methods(Json::arrayValue);
        for (std::set<std::string>::const_iterator it = m_procNames.begin();
             it != m_procNames.end(); ++it) {
            methods.append(JsValue(*it));
        }
        desc[kNameMethods] = methods;
        JsValue writable(Json::arrayValue);
        desc[kNameProperties] = getAllProps(writable);
        desc[kNameWritableProperties] = writable;
        return desc;
    }

    bool Invoke(const std::string& name, JsValue& args, CNPVariant& result) override {
        m_currentProc = name;
        std::string error;
        bool answer = false;
        try {
            answer = methodsProc(2, name, args, result);
        } catch (const std::bad_alloc&) {
            error = "Out of memory";
        } catch (const lib_exception& e) {
            error = e.what();
        } catch (...) {
            error = "Unknown error";
        }
        if (!error.empty()) sendError(static_cast<int>(m_clsid), error);
        return error.empty() && answer;
    }

    bool translateMsg(JsValue& args) override {
        const CNPVariant& request = static_cast<const CNPVariant&>(args);
        begin_request(args);
        int32_t type = -1;
        if (js_has_member(args, kNameType)) js_to_int32(args[kNameType], type);
        CNPVariant result;
        switch (type) {
            case eMsgCall: {
                if (js_has_member(args, kNameProperties)) {
                    const JsValue& props = args[kNameProperties];
                    if (props.isArray() && props.size() > 0) setAllProps(props);
                }
                StringArg method;
                ArrayArg params;
                method.init(request, kNameMethName);
                params.init(request, kNameParams);
                m_retCode = 1;
                if (!params.passed()) throw invalid_args();
                if (!method.passed()) throw invalid_args();
                const bool answer = Invoke(method.getstd(), params.get(), result);
                if (answer) {
                    args[kNameParams] = params.get();
                    sendMsg(method.getstd(), args, result, 3);
                }
                return answer;
            }
            case eMsgCreate: {
                JsValue desc = toJson();
                if (js_has_member(args, kNameQueryId) && !js_is_empty(args[kNameQueryId])) {
                    desc[kNameQueryId] = args[kNameQueryId];
                }
                sendMsg("", args, desc, 5);
                return true;
            }
            case eMsgSetProperty: {
                StringArg prop;
                VariantArg value;
                prop.init(request, kNamePropName);
                value.init(request, kNamePropValue);
                if (!prop.passed()) throw invalid_args();
                if (!HasProperty(prop.getstd())) return false;
                m_retCode = 2;
                if (!value.passed()) throw invalid_args();
                return SetProperty(prop.getstd(), value.get());
            }
            case eMsgGetProperty: {
                StringArg prop;
                prop.init(request, kNamePropName);
                if (!prop.passed()) throw invalid_args();
                if (!HasProperty(prop.getstd())) return false;
                m_retCode = 2;
                const bool answer = GetProperty(prop.getstd(), result);
                if (answer) sendMsg(prop.getstd(), args, result, 9);
                return answer;
            }
            case eMsgRelease:
                return true;
            default:
                sendError(static_cast<int>(m_clsid), "Invalid operation");
                return false;
        }
    }

    void sendMsg(const std::string& name, const JsValue& params, const JsValue& val,
                 int type) override {
        JsValue msg;
        // The id that the chunks of an oversized message carry: the callback's own number,
        // or the id of the request that a reply answers.
        uint32_t query = request_query_id();
        switch (type) {
            case 3: {
                msg = params;
                msg[kNameClsId] = m_clsid;
                msg[kNameMethName] = name;
                msg[kNameRetVal] = val;
                JsValue writable(Json::arrayValue);
                msg[kNameProperties] = getAllProps(writable);
                msg[kNameWritableProperties] = writable;
                break;
            }
            case 5:
                msg = val;
                msg[kNameType] = static_cast<int>(eMsgObject);
                break;
            case 9:
                msg = params;
                msg[kNameClsId] = m_clsid;
                msg[kNamePropValue] = val;
                break;
            case 13:
                msg = JsValue(Json::objectValue);
                msg[kNameClsId] = m_clsid;
                msg[kNameData] = params;
                query = next_query_id();
                msg[kNameQueryId] = query;
                msg[kNameType] = static_cast<int>(eMsgData);
                break;
            case 15:
                msg = JsValue(Json::objectValue);
                msg[kNameClsId] = m_clsid;
                msg[kNameMethName] = name;
                msg[kNameParams] = params;
                query = next_query_id();
                msg[kNameQueryId] = query;
                msg[kNameType] = static_cast<int>(eMsgCallback);
                break;
            default:
                msg = JsValue(Json::objectValue);
                msg[kNameType] = type;
                break;
        }
        write_message_as(json_write(msg), query);
    }

protected:
    typedef std::map<std::string, std::map<int, PropOp> > PropTable;
    PropTable m_propNames;
};
