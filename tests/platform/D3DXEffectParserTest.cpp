// Effect files read without a device: parameters, values, annotations, techniques, includes,
// macros, message line numbers and the compiled-effect round trip.
#include <d3dx9.h>

#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

std::string effectText(const std::string& name)
{
    return TestSupport::readText(TestSupport::sourceDir() / "tests" / "platform" / "effects" / name);
}

// Serves include files from the effect corpus (or from memory) and counts Open/Close.
class CorpusInclude : public ID3DXInclude {
public:
    HRESULT Open(D3DXINCLUDE_TYPE, LPCSTR name, LPCVOID, LPCVOID* data, UINT* bytes) override
    {
        std::string text;
        auto it = files.find(name);
        if (it != files.end()) {
            text = it->second;
        } else {
            std::error_code error;
            auto path = TestSupport::sourceDir() / "tests" / "platform" / "effects" / name;
            if (!std::filesystem::exists(path, error))
                return E_FAIL;
            text = TestSupport::readText(path);
        }
        opened.push_back(name);
        char* copy = new char[text.size()];
        std::memcpy(copy, text.data(), text.size());
        *data = copy;
        *bytes = static_cast<UINT>(text.size());
        return S_OK;
    }
    HRESULT Close(LPCVOID data) override
    {
        ++closed;
        delete[] static_cast<const char*>(data);
        return S_OK;
    }

    std::map<std::string, std::string> files;
    std::vector<std::string> opened;
    int closed = 0;
};

struct Compiled {
    ID3DXEffectCompiler* compiler = nullptr;
    std::string messages;
    HRESULT result = E_FAIL;
    ~Compiled()
    {
        if (compiler)
            compiler->Release();
    }
};

void compile(Compiled& out, const std::string& text, const D3DXMACRO* macros = nullptr, ID3DXInclude* include = nullptr)
{
    ID3DXBuffer* errors = nullptr;
    out.result = D3DXCreateEffectCompiler(text.data(), static_cast<UINT>(text.size()), macros, include, 0,
                                          &out.compiler, &errors);
    if (errors) {
        out.messages = static_cast<const char*>(errors->GetBufferPointer());
        errors->Release();
    }
}

std::string compileEffectMessages(ID3DXEffectCompiler* compiler, HRESULT& result, ID3DXBuffer** blob = nullptr)
{
    ID3DXBuffer* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    result = compiler->CompileEffect(0, &effect, &errors);
    std::string text = errors ? static_cast<const char*>(errors->GetBufferPointer()) : "";
    if (errors)
        errors->Release();
    if (blob)
        *blob = effect;
    else if (effect)
        effect->Release();
    return text;
}

} // namespace

TEST(D3DXEffectParserTest, ParametersEnumerateInDeclarationOrderWithTheirTypes)
{
    Compiled c;
    compile(c, effectText("parameters.fx"));
    ASSERT_EQ(c.result, D3D_OK) << c.messages;
    D3DXEFFECT_DESC effect{};
    ASSERT_EQ(c.compiler->GetDesc(&effect), D3D_OK);
    const char* names[] = {"g_WorldViewProj", "g_Bones",  "g_Color", "g_Scale", "g_Weights", "g_Count",   "g_Enabled",
                           "g_Direction",     "g_Offset", "g_Name",  "g_Light", "g_Time",    "g_Texture", "g_Sampler"};
    ASSERT_EQ(effect.Parameters, std::size(names)); // the static variable is not a parameter
    EXPECT_EQ(effect.Techniques, 2u);
    for (UINT i = 0; i < effect.Parameters; ++i) {
        D3DXPARAMETER_DESC d{};
        ASSERT_EQ(c.compiler->GetParameterDesc(c.compiler->GetParameter(nullptr, i), &d), D3D_OK);
        EXPECT_STREQ(d.Name, names[i]);
    }
    D3DXPARAMETER_DESC d{};
    c.compiler->GetParameterDesc("g_WorldViewProj", &d);
    EXPECT_EQ(d.Class, D3DXPC_MATRIX_COLUMNS);
    EXPECT_EQ(d.Type, D3DXPT_FLOAT);
    EXPECT_EQ(d.Rows, 4u);
    EXPECT_EQ(d.Columns, 4u);
    EXPECT_EQ(d.Bytes, 64u);
    EXPECT_STREQ(d.Semantic, "WORLDVIEWPROJECTION");
    c.compiler->GetParameterDesc("g_Bones", &d);
    EXPECT_EQ(d.Class, D3DXPC_MATRIX_ROWS);
    EXPECT_EQ(d.Rows, 4u);
    EXPECT_EQ(d.Columns, 3u);
    EXPECT_EQ(d.Elements, 2u);
    EXPECT_EQ(d.Bytes, 96u);
    c.compiler->GetParameterDesc("g_Light", &d);
    EXPECT_EQ(d.Class, D3DXPC_STRUCT);
    EXPECT_EQ(d.StructMembers, 2u);
    c.compiler->GetParameterDesc("g_Time", &d);
    EXPECT_EQ(d.Flags & D3DX_PARAMETER_SHARED, static_cast<DWORD>(D3DX_PARAMETER_SHARED));
    c.compiler->GetParameterDesc("g_Offset", &d);
    EXPECT_EQ(d.Class, D3DXPC_VECTOR);
    EXPECT_EQ(d.Columns, 2u);
    c.compiler->GetParameterDesc("g_Texture", &d);
    EXPECT_EQ(d.Class, D3DXPC_OBJECT);
    EXPECT_EQ(d.Type, D3DXPT_TEXTURE);
    c.compiler->GetParameterDesc("g_Sampler", &d);
    EXPECT_EQ(d.Type, D3DXPT_SAMPLER2D);
    c.compiler->GetParameterDesc("g_Name", &d);
    EXPECT_EQ(d.Type, D3DXPT_STRING);
    EXPECT_EQ(c.compiler->GetParameterBySemantic(nullptr, "direction"),
              c.compiler->GetParameterByName(nullptr, "g_Direction"));
    EXPECT_EQ(c.compiler->GetParameterByName(nullptr, "s_Hidden"), nullptr);
    EXPECT_EQ(c.compiler->GetParameter(nullptr, effect.Parameters), nullptr);
    // Every entry (a literal argument, structs, arrays, a sampler of a blanked texture) compiles.
    HRESULT hr = E_FAIL;
    std::string messages = compileEffectMessages(c.compiler, hr);
    EXPECT_EQ(hr, D3D_OK) << messages;
}

TEST(D3DXEffectParserTest, InitialValuesAndAnnotationsAreRead)
{
    Compiled c;
    compile(c, effectText("parameters.fx"));
    ASSERT_EQ(c.result, D3D_OK) << c.messages;
    ID3DXEffectCompiler* e = c.compiler;
    D3DXVECTOR4 v;
    ASSERT_EQ(e->GetVector("g_Color", &v), D3D_OK);
    EXPECT_EQ(v, D3DXVECTOR4(1.0f, 0.5f, 0.25f, 1.0f));
    float f = 0;
    e->GetFloat("g_Scale", &f);
    EXPECT_FLOAT_EQ(f, -2.5f);
    float weights[3] = {};
    e->GetFloatArray("g_Weights", weights, 3);
    EXPECT_FLOAT_EQ(weights[0], 1.0f);
    EXPECT_FLOAT_EQ(weights[2], 3.0f);
    INT n = 0;
    e->GetInt("g_Count", &n);
    EXPECT_EQ(n, 7);
    BOOL b = FALSE;
    e->GetBool("g_Enabled", &b);
    EXPECT_TRUE(b);
    e->GetVector("g_Direction", &v);
    EXPECT_EQ(v, D3DXVECTOR4(0.0f, -1.0f, 0.0f, 0.0f));
    LPCSTR s = nullptr;
    ASSERT_EQ(e->GetString("g_Name", &s), D3D_OK);
    EXPECT_STREQ(s, "parameters");

    D3DXHANDLE color = e->GetParameterByName(nullptr, "g_Color");
    D3DXPARAMETER_DESC d{};
    e->GetParameterDesc(color, &d);
    EXPECT_EQ(d.Annotations, 3u);
    ASSERT_EQ(e->GetString(e->GetAnnotation(color, 0), &s), D3D_OK);
    EXPECT_STREQ(s, "Colour");
    e->GetFloat(e->GetAnnotationByName(color, "UIMax"), &f);
    EXPECT_FLOAT_EQ(f, 1.0f);
    e->GetString(e->GetAnnotationByName("g_Texture", "ResourceName"), &s);
    EXPECT_STREQ(s, "stone.png");

    D3DXHANDLE main = e->GetTechniqueByName("Main");
    e->GetString(e->GetAnnotationByName(main, "Mode"), &s);
    EXPECT_STREQ(s, "opaque");
    e->GetInt(e->GetAnnotationByName(main, "Order"), &n);
    EXPECT_EQ(n, 2);
    e->GetFloat(e->GetAnnotationByName(e->GetPass(main, 0), "Weight"), &f);
    EXPECT_FLOAT_EQ(f, 0.5f);
    EXPECT_EQ(e->GetAnnotation(main, 2), nullptr);
}

TEST(D3DXEffectParserTest, TechniquesAndPassesByIndexNameAndHandle)
{
    Compiled c;
    compile(c, effectText("parameters.fx"));
    ASSERT_EQ(c.result, D3D_OK) << c.messages;
    ID3DXEffectCompiler* e = c.compiler;
    D3DXTECHNIQUE_DESC t{};
    ASSERT_EQ(e->GetTechniqueDesc(e->GetTechnique(0), &t), D3D_OK);
    EXPECT_STREQ(t.Name, "Main");
    EXPECT_EQ(t.Passes, 2u);
    EXPECT_EQ(t.Annotations, 2u);
    ASSERT_EQ(e->GetTechniqueDesc("Second", &t), D3D_OK); // a name is accepted as a handle
    EXPECT_EQ(t.Passes, 1u);
    EXPECT_EQ(e->GetTechnique(2), nullptr);
    EXPECT_EQ(e->GetTechniqueDesc("Missing", &t), D3DERR_INVALIDCALL);
    D3DXPASS_DESC p{};
    ASSERT_EQ(e->GetPassDesc(e->GetPassByName("Main", "P1"), &p), D3D_OK);
    EXPECT_STREQ(p.Name, "P1");
    EXPECT_EQ(e->GetPass("Main", 1), e->GetPassByName("Main", "P1"));
    EXPECT_EQ(e->GetPass("Main", 2), nullptr);
}

TEST(D3DXEffectParserTest, ValuesConvertBetweenKindsAndMembersAreReachable)
{
    Compiled c;
    compile(c, effectText("parameters.fx"));
    ASSERT_EQ(c.result, D3D_OK) << c.messages;
    ID3DXEffectCompiler* e = c.compiler;
    // An int parameter set from a float truncates; a bool from an int is 0 or 1.
    e->SetFloat("g_Count", 3.75f);
    INT n = 0;
    e->GetInt("g_Count", &n);
    EXPECT_EQ(n, 3);
    e->SetInt("g_Enabled", 0);
    BOOL b = TRUE;
    e->GetBool("g_Enabled", &b);
    EXPECT_FALSE(b);

    D3DXMATRIX m;
    for (int i = 0; i < 16; ++i)
        m.m[i / 4][i % 4] = static_cast<float>(i);
    ASSERT_EQ(e->SetMatrix("g_WorldViewProj", &m), D3D_OK);
    D3DXMATRIX back, transposed;
    e->GetMatrix("g_WorldViewProj", &back);
    EXPECT_EQ(back, m);
    e->GetMatrixTranspose("g_WorldViewProj", &transposed);
    EXPECT_FLOAT_EQ(transposed.m[0][1], 4.0f);
    EXPECT_FLOAT_EQ(transposed.m[3][0], 3.0f);

    // Elements and members, by handle and by path.
    D3DXHANDLE second = e->GetParameterElement("g_Weights", 1);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(e->GetParameterByName(nullptr, "g_Weights[1]"), second);
    e->SetFloat(second, 9.0f);
    float weights[3] = {};
    e->GetFloatArray("g_Weights", weights, 3);
    EXPECT_FLOAT_EQ(weights[1], 9.0f);
    EXPECT_EQ(e->GetParameterElement("g_Weights", 3), nullptr);
    D3DXHANDLE lightColor = e->GetParameterByName(nullptr, "g_Light.color");
    ASSERT_NE(lightColor, nullptr);
    EXPECT_EQ(e->GetParameterByName("g_Light", "color"), lightColor);
    const D3DXVECTOR4 red(1, 0, 0, 1);
    e->SetVector(lightColor, &red);
    float light[7] = {};
    ASSERT_EQ(e->GetValue("g_Light", light, sizeof light), D3D_OK);
    EXPECT_FLOAT_EQ(light[3], 1.0f); // after the three position floats
    EXPECT_FLOAT_EQ(light[6], 1.0f);

    // A float3 takes three components of a vector; the fourth is not stored.
    const D3DXVECTOR4 four(1, 2, 3, 4);
    e->SetVector("g_Direction", &four);
    D3DXVECTOR4 v;
    e->GetVector("g_Direction", &v);
    EXPECT_EQ(v, D3DXVECTOR4(1, 2, 3, 0));

    // Wrong kinds are refused rather than written past the value.
    EXPECT_EQ(e->SetString("g_Scale", "x"), D3DERR_INVALIDCALL);
    EXPECT_EQ(e->SetFloat("g_Name", 1.0f), D3DERR_INVALIDCALL);
    EXPECT_EQ(e->SetFloat("g_Missing", 1.0f), D3DERR_INVALIDCALL);
    EXPECT_EQ(e->SetFloat(nullptr, 1.0f), D3DERR_INVALIDCALL);
    float big[64] = {};
    EXPECT_EQ(e->SetFloatArray("g_Scale", big, 64), D3D_OK); // extra values are ignored

    // Names are found again by where the caller keeps them: one buffer holding one name after
    // another still reaches each parameter, and a missing name stays missing.
    char name[32] = "g_Count";
    e->SetInt(name, 5);
    std::strcpy(name, "g_Missing");
    EXPECT_EQ(e->SetInt(name, 6), D3DERR_INVALIDCALL);
    std::strcpy(name, "g_Enabled");
    EXPECT_EQ(e->SetInt(name, 1), D3D_OK);
    std::strcpy(name, "g_Count");
    e->GetInt(name, &n);
    EXPECT_EQ(n, 5);
    e->GetBool("g_Enabled", &b);
    EXPECT_TRUE(b);
}

TEST(D3DXEffectParserTest, IncludesResolveThroughTheIncludeHandlerWithTheirOwnLines)
{
    CorpusInclude include;
    Compiled c;
    compile(c, effectText("include_main.fx"), nullptr, &include);
    ASSERT_EQ(c.result, D3D_OK) << c.messages;
    ASSERT_EQ(include.opened.size(), 2u);
    EXPECT_EQ(include.opened[0], "include_lighting.fxh");
    EXPECT_EQ(include.opened[1], "include_constants.fxh");
    EXPECT_EQ(include.closed, 2);
    D3DXPARAMETER_DESC d{};
    c.compiler->GetParameterDesc(c.compiler->GetParameter(nullptr, 0), &d);
    EXPECT_STREQ(d.Name, "g_LightDirection");
    c.compiler->GetParameterDesc(c.compiler->GetParameter(nullptr, 1), &d);
    EXPECT_STREQ(d.Name, "g_Ambient");
    HRESULT hr = E_FAIL;
    std::string messages = compileEffectMessages(c.compiler, hr);
    EXPECT_EQ(hr, D3D_OK) << messages;

    // An error inside an included file names that file and its line.
    CorpusInclude broken;
    broken.files["broken.fxh"] = "float4 g_A;\n\nfloat4 g_B = ;\n";
    Compiled e;
    compile(e, "// header\n#include \"broken.fxh\"\nfloat4 g_C;\n", nullptr, &broken);
    EXPECT_NE(e.result, D3D_OK);
    EXPECT_NE(e.messages.find("broken.fxh(3,14): error"), std::string::npos) << e.messages;
    EXPECT_EQ(broken.closed, 1);

    // A missing include is an error at the directive's line; nothing is opened without a handler.
    Compiled missing;
    compile(missing, "float4 g_A;\n#include \"nowhere.fxh\"\n", nullptr, &include);
    EXPECT_NE(missing.result, D3D_OK);
    EXPECT_NE(missing.messages.find("memory(2,1): error"), std::string::npos) << missing.messages;
    EXPECT_NE(missing.messages.find("nowhere.fxh"), std::string::npos);
    Compiled noHandler;
    compile(noHandler, "#include \"include_constants.fxh\"\n");
    EXPECT_NE(noHandler.result, D3D_OK);
}

TEST(D3DXEffectParserTest, MacrosSelectDeclarations)
{
    auto firstName = [](const Compiled& c) {
        D3DXPARAMETER_DESC d{};
        c.compiler->GetParameterDesc(c.compiler->GetParameter(nullptr, 0), &d);
        return std::string(d.Name ? d.Name : "");
    };
    Compiled plain;
    compile(plain, effectText("macros.fx"));
    ASSERT_EQ(plain.result, D3D_OK) << plain.messages;
    EXPECT_EQ(firstName(plain), "g_LowQuality");
    float f = 0;
    plain.compiler->GetFloat("g_LowQuality", &f);
    EXPECT_FLOAT_EQ(f, 9.0f); // SQUARE(3) expanded before the value was read
    EXPECT_NE(plain.compiler->GetParameterByName(nullptr, "g_Pasted"), nullptr);

    const D3DXMACRO high[] = {{"QUALITY", "2"}, {"SHADOWS", ""}, {nullptr, nullptr}};
    Compiled shadows;
    compile(shadows, effectText("macros.fx"), high);
    ASSERT_EQ(shadows.result, D3D_OK) << shadows.messages;
    EXPECT_EQ(firstName(shadows), "g_ShadowBias");

    const D3DXMACRO low[] = {{"QUALITY", "0"}, {nullptr, nullptr}};
    // #pragma pack_matrix changes how later matrices are stored.
    Compiled packed;
    compile(packed, "float4x4 g_A;\n#pragma pack_matrix(row_major)\nfloat4x4 g_B;\ncolumn_major float4x4 g_C;\n");
    ASSERT_EQ(packed.result, D3D_OK) << packed.messages;
    D3DXPARAMETER_DESC d{};
    packed.compiler->GetParameterDesc("g_A", &d);
    EXPECT_EQ(d.Class, D3DXPC_MATRIX_COLUMNS);
    packed.compiler->GetParameterDesc("g_B", &d);
    EXPECT_EQ(d.Class, D3DXPC_MATRIX_ROWS);
    packed.compiler->GetParameterDesc("g_C", &d);
    EXPECT_EQ(d.Class, D3DXPC_MATRIX_COLUMNS);

    Compiled fallback;
    compile(fallback, effectText("macros.fx"), low);
    ASSERT_EQ(fallback.result, D3D_OK) << fallback.messages;
    EXPECT_EQ(firstName(fallback), "g_Fallback");
}

TEST(D3DXEffectParserTest, MessagesCarryTheEffectsLineNumbers)
{
    Compiled syntax;
    compile(syntax, effectText("syntax_error.fx"));
    EXPECT_NE(syntax.result, D3D_OK);
    EXPECT_EQ(syntax.compiler, nullptr);
    EXPECT_NE(syntax.messages.find("memory(8,9): error X"), std::string::npos) << syntax.messages;
    EXPECT_NE(syntax.messages.find("NoSuchState"), std::string::npos);

    // Shader errors come from the HLSL compiler, mapped back to the effect's lines.
    Compiled shader;
    compile(shader, effectText("shader_error.fx"));
    ASSERT_EQ(shader.result, D3D_OK) << shader.messages;
    HRESULT hr = D3D_OK;
    std::string messages = compileEffectMessages(shader.compiler, hr);
    EXPECT_NE(hr, D3D_OK);
    EXPECT_NE(messages.find("memory(7,1): error X"), std::string::npos) << messages;
    EXPECT_NE(messages.find("undeclaredThing"), std::string::npos);

    // Continued lines and block comments keep the count.
    Compiled continued;
    compile(continued,
            "#define TWO(a) \\\n    ((a) + \\\n     (a))\n/* one\n two */\nfloat g_A = TWO(1);\nfloat g_B = ;\n");
    EXPECT_NE(continued.messages.find("memory(7,"), std::string::npos) << continued.messages;

    Compiled unknownEntry;
    compile(unknownEntry, "technique T { pass { PixelShader = compile ps_2_0 Missing(); } }\n");
    EXPECT_NE(unknownEntry.messages.find("memory(1,"), std::string::npos) << unknownEntry.messages;
    EXPECT_NE(unknownEntry.messages.find("Missing"), std::string::npos);
}

TEST(D3DXEffectParserTest, PreprocessorRejectsBrokenInputWithoutHanging)
{
    const char* broken[] = {
        "#if 1\nfloat4 g_A;\n",                    // no #endif
        "#endif\n",                                // no #if
        "#define F(a, b) a + b\nfloat g = F(1;\n", // unterminated call
        "#if 1 / 0\n#endif\n",                     // division by zero
        "#bogus\n",
        "#error stop here\n",
        "#include\n",
        "float4 g_A = {1, 2\n", // unterminated initializer
        "technique T { pass { VertexShader = compile vs_2_0 ",
        "struct S { float a; \n",
    };
    for (const char* text : broken) {
        Compiled c;
        compile(c, text);
        EXPECT_NE(c.result, D3D_OK) << text;
        EXPECT_FALSE(c.messages.empty()) << text;
    }
    // Self-referencing macros stop expanding (as C's preprocessor does).
    Compiled recursive;
    compile(recursive,
            "#define A A + 1\n#define B C\n#define C B\nfloat g_V = 1;\nstatic float x = A; static float y = B;\n");
    EXPECT_EQ(recursive.result, D3D_OK) << recursive.messages;
    // Exponential expansion is cut off with an error rather than exhausting memory.
    std::string bomb = "#define X0 a a\n";
    for (int i = 1; i < 40; ++i)
        bomb += "#define X" + std::to_string(i) + " X" + std::to_string(i - 1) + " X" + std::to_string(i - 1) + "\n";
    bomb += "static float z = X39;\n";
    Compiled exploding;
    compile(exploding, bomb);
    EXPECT_NE(exploding.result, D3D_OK);
    // Text after a NUL is not read.
    std::string withNul("float4 g_A;\0 garbage {{{", 24);
    Compiled nul;
    compile(nul, withNul);
    EXPECT_EQ(nul.result, D3D_OK) << nul.messages;
}

TEST(D3DXEffectParserTest, ShadersTheCompilerCannotTakeFailWithAMessage)
{
    auto effect = [](const std::string& expression) {
        return "float4 g_C;\n\nfloat4 PS() : COLOR\n{\n    return g_C * " + expression +
               ";\n}\ntechnique T { pass P { PixelShader = compile ps_2_0 PS(); } }\n";
    };
    auto chain = [](const char* op, int count) {
        std::string text = "g_C.x";
        for (int i = 0; i < count; ++i)
            text += std::string(op) + "g_C.x";
        return text;
    };
    const std::string tooDeep[] = {
        std::string(20000, '(') + "1.0" + std::string(20000, ')'),
        std::string(50000, '-') + "g_C.x",
        "(" + chain("+", 60000) + ")",
    };
    for (const std::string& expression : tooDeep) {
        Compiled c;
        compile(c, effect(expression));
        EXPECT_NE(c.result, D3D_OK);
        EXPECT_NE(c.messages.find("memory(5,"), std::string::npos) << c.messages.substr(0, 200);
    }
    // A shader the HLSL compiler itself falls over (a null pointer in its error recovery): the
    // translation fails with a message, the process goes on.
    Compiled crashing;
    compile(crashing, effect("g_C.x++g_C.x"));
    ASSERT_EQ(crashing.result, D3D_OK) << crashing.messages;
    HRESULT failed = D3D_OK;
    const std::string crashMessages = compileEffectMessages(crashing.compiler, failed);
    EXPECT_NE(failed, D3D_OK);
    EXPECT_NE(crashMessages.find("memory("), std::string::npos) << crashMessages;

    // Just inside the limits the shader still compiles.
    Compiled deep;
    compile(deep, effect(std::string(250, '(') + chain("*", 2000) + std::string(250, ')')));
    ASSERT_EQ(deep.result, D3D_OK) << deep.messages.substr(0, 200);
    HRESULT hr = E_FAIL;
    std::string messages = compileEffectMessages(deep.compiler, hr);
    EXPECT_EQ(hr, D3D_OK) << messages.substr(0, 200);
}

TEST(D3DXEffectParserTest, CompiledEffectRoundTripsAndCorruptionIsRejected)
{
    CorpusInclude include;
    const D3DXMACRO macros[] = {{"QUALITY", "0"}, {nullptr, nullptr}};
    std::string text = effectText("macros.fx") + "\n#include \"include_lighting.fxh\"\n";
    Compiled source;
    compile(source, text, macros, &include);
    ASSERT_EQ(source.result, D3D_OK) << source.messages;
    HRESULT hr = E_FAIL;
    ID3DXBuffer* blob = nullptr;
    std::string messages = compileEffectMessages(source.compiler, hr, &blob);
    ASSERT_EQ(hr, D3D_OK) << messages;
    ASSERT_NE(blob, nullptr);
    std::string bytes(static_cast<const char*>(blob->GetBufferPointer()), blob->GetBufferSize());
    blob->Release();

    // The compiled effect needs neither macros nor includes any more.
    Compiled again;
    compile(again, bytes);
    ASSERT_EQ(again.result, D3D_OK) << again.messages;
    D3DXEFFECT_DESC a{}, b{};
    source.compiler->GetDesc(&a);
    again.compiler->GetDesc(&b);
    EXPECT_EQ(a.Parameters, b.Parameters);
    EXPECT_EQ(a.Techniques, b.Techniques);
    EXPECT_NE(again.compiler->GetParameterByName(nullptr, "g_Fallback"), nullptr);
    EXPECT_NE(again.compiler->GetParameterByName(nullptr, "g_LightDirection"), nullptr);

    // Every truncation fails cleanly; a changed format version is named.
    for (size_t length = 4; length < bytes.size(); length += 7) {
        Compiled cut;
        compile(cut, bytes.substr(0, length));
        EXPECT_NE(cut.result, D3D_OK) << length;
    }
    std::string future = bytes;
    future[4] = 9;
    Compiled versioned;
    compile(versioned, future);
    EXPECT_NE(versioned.result, D3D_OK);
    EXPECT_NE(versioned.messages.find("version 9"), std::string::npos) << versioned.messages;

    // The buffer D3DXCreateBuffer makes is zero-filled and of the asked size.
    ID3DXBuffer* buffer = nullptr;
    ASSERT_EQ(D3DXCreateBuffer(12, &buffer), D3D_OK);
    EXPECT_EQ(buffer->GetBufferSize(), 12u);
    EXPECT_EQ(static_cast<const char*>(buffer->GetBufferPointer())[11], 0);
    buffer->Release();
}
